#include "export/cache_export.h"

#include <vector>

#include "handheld/sync_library.h"
#include "support/conduit_error.h"
#include "support/conduit_log.h"
#include "support/exchange_path.h"
#include "support/text_file.h"
#include "support/text_ops.h"
#include "support/transfer_error.h"

namespace corvane {
namespace {

constexpr const char* kCacheDatabase = "CRVN_Corvane_Cache";
constexpr const char* kErrorTitle = "PC2PDACorvaneCache Error!!";
// The line index of a list is 16-bit.
constexpr size_t kMaxListLines = 32767;

struct CacheList {
  const char* file;
  uint8_t custDataType;
  const char* startText;
  const char* loadFailureText;
  const char* endText;
};

// The order in which the handheld receives the lists.
constexpr CacheList kLists[] = {
    {"airport.txt", 2, "Exporting airports.", "Failed to load list of airports.",
     "Airports exported succesfully."},
    {"acreg_actype.txt", 1, "Exporting aircraft registrations and types.", "Failed to load list.",
     "Aircraft registrations and types exported succesfully."},
    {"person.txt", 3, "Exporting persons.", "Failed to load list of persons.",
     "Persons exported succesfully."},
    {"SIMULATOR.txt", 4, "Exporting sim. types.", "Failed to load list of simulators.",
     "Simulator exported succesfully."},
};
constexpr uint8_t kRegistrationType = 1;

void Log(FrmMain& frm, const std::string& s, int16_t level) {
  WriteLog(frm, s, kToListAndFile, level);
}

// A closing CR LF ends the last line; it does not start another.
size_t CountLines(const std::vector<std::string>& lines) {
  if (!lines.empty() && lines.back().empty()) return lines.size() - 1;
  return lines.size();
}

void ExportList(FrmMain& frm, PDRecordAdapter& db, const CacheList& list) {
  std::string text;
  if (!ReadFileText(frm, ExchangeFile(frm.syncPath, list.file), text)) {
    Log(frm, list.loadFailureText, 1);
    return;
  }
  const std::string trimmed = TrimSpaces(text);
  if (trimmed.empty()) {
    Log(frm, "Nothing to export.", 1);
    return;
  }
  const std::vector<std::string> lines = SplitText(trimmed, "\r\n");
  // Refuse the whole list rather than send the part that can be counted.
  if (CountLines(lines) > kMaxListLines) throw ConduitError(err::kOverflow, "Overflow");
  for (const std::string& raw : lines) {
    std::string line = TrimSpaces(raw);
    if (line.empty()) continue;
    std::string dependent;
    if (list.custDataType == kRegistrationType) {
      std::vector<std::string> fields = SplitText(line, "|");
      line = std::move(fields[0]);
      if (fields.size() > 1) dependent = std::move(fields[1]);
    }
    if (!WriteCacheRecord(frm, db, list.custDataType, line, dependent)) {
      Log(frm, "Failed to transfer record.", 1);
    }
  }
}

}  // namespace

bool ReadFileText(FrmMain& frm, const std::string& path, std::string& text) {
  try {
    // A zero-length file is an empty text.
    text = ReadWholeFile(path);
    return true;
  } catch (const std::exception& e) {
    Log(frm, ErrorText(e), 5);
    return false;
  }
}

bool WriteCacheRecord(FrmMain& frm, PDRecordAdapter& db, uint8_t custDataType,
                      const std::string& sCacheValue, const std::string& sDepCacheValue) {
  try {
    const size_t highest = sCacheValue.size() + sDepCacheValue.size() + 3;
    if (highest > static_cast<size_t>(INT16_MAX)) throw ConduitError(err::kOverflow, "Overflow");
    Log(frm, "write all data in vdata variable", 10);
    Bytes vdata(highest + 1, 0);
    vdata[0] = custDataType;
    PDByteConverter converter;
    int32_t offset = converter.TextToBytes(vdata, 1, sCacheValue);
    converter.TextToBytes(vdata, offset, sDepCacheValue);
    Log(frm, "writing the pc record onto Handheld database.", 5);
    int32_t id = 0;
    db.AddRecord(id, 0, 0, vdata);
    return true;
  } catch (const std::exception& e) {
    ReportTransferError(frm, ErrorText(e), kErrorTitle);
    return false;
  }
}

bool PCtoPDA_CorvaneCache(FrmMain& frm, HotSyncLink& link) {
  try {
    Log(frm, "Open the handheld Database", 5);
    PDRecordAdapter db =
        PDDatabaseOpener(link).OpenDatabase(kCacheDatabase, kRecordAdapterClass, kOpenReadWrite);
    if (db.RecordTotal() > 0) db.ClearRecords(0, 255);
    for (const CacheList& list : kLists) {
      Log(frm, list.startText, 1);
      ExportList(frm, db, list);
      Log(frm, list.endText, 1);
    }
    return true;
  } catch (const std::exception& e) {
    ReportTransferError(frm, ErrorText(e), kErrorTitle);
    return false;
  }
}

}  // namespace corvane
