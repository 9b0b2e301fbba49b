#pragma once

#include <cstdint>
#include <string>

#include "support/frm_main.h"

namespace corvane {

class HotSyncLink;
class PDRecordAdapter;

// Replaces the handheld's cache database with the four list files of the
// exchange folder: airports, registrations with their types, persons and
// simulators, in that order. A list file that cannot be read and a record
// that cannot be added are reported and skipped; only an error of the
// database itself, or a list too long to count, makes the result false.
bool PCtoPDA_CorvaneCache(FrmMain& frm, HotSyncLink& link);

// The whole file into text; on failure logs the error (level 5) and gives
// false.
bool ReadFileText(FrmMain& frm, const std::string& path, std::string& text);

// Builds one cache record (type byte, the two texts each with its zero, one
// more zero) and adds it to db. On failure shows and logs the error and gives
// false; texts longer than the record's 16-bit offsets allow are a failure.
bool WriteCacheRecord(FrmMain& frm, PDRecordAdapter& db, uint8_t custDataType,
                      const std::string& sCacheValue, const std::string& sDepCacheValue);

}  // namespace corvane
