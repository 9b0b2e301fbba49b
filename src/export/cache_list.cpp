#include "export/cache_list.h"

#include "support/conduit_error.h"
#include "support/text_ops.h"

namespace corvane {
namespace {

// The line index of a list is 16-bit.
constexpr size_t kMaxListLines = 32767;

// A closing CR LF ends the last line; it does not start another.
size_t CountLines(const std::vector<std::string>& lines) {
  if (!lines.empty() && lines.back().empty()) return lines.size() - 1;
  return lines.size();
}

}  // namespace

std::vector<CacheEntry> CacheListEntries(const std::string& text, bool registrations) {
  const std::vector<std::string> lines = SplitText(text, "\r\n");
  // Refuse the whole list rather than send the part that can be counted.
  if (CountLines(lines) > kMaxListLines) throw ConduitError(err::kOverflow, "Overflow");
  std::vector<CacheEntry> entries;
  for (const std::string& raw : lines) {
    std::string line = TrimSpaces(raw);
    if (line.empty()) continue;
    std::string dependent;
    if (registrations) {
      std::vector<std::string> fields = SplitText(line, "|");
      line = std::move(fields[0]);
      if (fields.size() > 1) dependent = std::move(fields[1]);
    }
    entries.emplace_back(std::move(line), std::move(dependent));
  }
  return entries;
}

Bytes CacheRecordData(uint8_t custDataType, const std::string& sCacheValue,
                      const std::string& sDepCacheValue) {
  const size_t highest = sCacheValue.size() + sDepCacheValue.size() + 3;
  if (highest > static_cast<size_t>(INT16_MAX)) throw ConduitError(err::kOverflow, "Overflow");
  Bytes vdata(highest + 1, 0);
  vdata[0] = custDataType;
  PDByteConverter converter;
  int32_t offset = converter.TextToBytes(vdata, 1, sCacheValue);
  converter.TextToBytes(vdata, offset, sDepCacheValue);
  return vdata;
}

}  // namespace corvane
