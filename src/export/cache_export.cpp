#include "export/cache_export.h"

#include <vector>

#include "exchange/exchange_files.h"
#include "exchange/exchange_path.h"
#include "export/cache_list.h"
#include "handheld/database_names.h"
#include "handheld/sync_library.h"
#include "support/conduit_error.h"
#include "support/conduit_log.h"
#include "support/text_file.h"
#include "support/text_ops.h"
#include "support/transfer_error.h"

namespace corvane {
namespace {

constexpr const char* kErrorTitle = "PC2PDACorvaneCache Error!!";

struct CacheList {
  uint8_t custDataType;
  const char* startText;
  const char* loadFailureText;
  const char* endText;
};

// The order in which the handheld receives the lists. "succesfully" is how
// the log has always spelt it; the PC application shows these lines.
constexpr CacheList kLists[] = {
    {2, "Exporting airports.", "Failed to load list of airports.",
     "Airports exported succesfully."},
    {1, "Exporting aircraft registrations and types.", "Failed to load list.",
     "Aircraft registrations and types exported succesfully."},
    {3, "Exporting persons.", "Failed to load list of persons.", "Persons exported succesfully."},
    {4, "Exporting sim. types.", "Failed to load list of simulators.",
     "Simulator exported succesfully."},
};

void ExportList(FrmMain& frm, PDRecordAdapter& db, const CacheList& list) {
  std::string text;
  if (!ReadFileText(frm, ExchangeFile(frm.syncPath, kPickListFiles[list.custDataType - 1].read_as),
                    text)) {
    Log(frm, list.loadFailureText, 1);
    return;
  }
  const std::string trimmed = TrimSpaces(text);
  if (trimmed.empty()) {
    Log(frm, "Nothing to export.", 1);
    return;
  }
  for (const CacheEntry& entry :
       CacheListEntries(trimmed, list.custDataType == kRegistrationType)) {
    if (!WriteCacheRecord(frm, db, list.custDataType, entry.first, entry.second)) {
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
    const Bytes vdata = CacheRecordData(custDataType, sCacheValue, sDepCacheValue);
    Log(frm, "write all data in vdata variable", 10);
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
