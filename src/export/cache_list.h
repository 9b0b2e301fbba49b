#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "handheld/sync_library.h"

namespace corvane {

// One pick-list entry: sCacheValue and sDepCacheValue.
using CacheEntry = std::pair<std::string, std::string>;

// The entries of a list file's text, already trimmed of its surrounding
// spaces: one per CR LF line that is not blank once trimmed. A registration
// line holds the registration, then after a "|" the aircraft type. Raises
// ConduitError err::kOverflow for more lines than a 16-bit index counts.
std::vector<CacheEntry> CacheListEntries(const std::string& text, bool registrations);

// The cache record of one entry: the type byte, the two texts each ended by
// a zero, one more zero. Raises ConduitError err::kOverflow when the texts
// are too long for the record's 16-bit offsets.
Bytes CacheRecordData(uint8_t custDataType, const std::string& sCacheValue,
                      const std::string& sDepCacheValue);

}  // namespace corvane
