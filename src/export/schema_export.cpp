#include "export/schema_export.h"

#include <string>
#include <vector>

#include "exchange/exchange_files.h"
#include "exchange/exchange_path.h"
#include "export/schema_record.h"
#include "handheld/database_names.h"
#include "handheld/sync_library.h"
#include "support/conduit_error.h"
#include "support/conduit_log.h"
#include "support/text_file.h"
#include "support/text_ops.h"
#include "support/transfer_error.h"

namespace corvane {
namespace {

constexpr const char* kErrorTitle = "PC2PDACorvaneSchema Error!!";
constexpr const char* kMissingFileTitle = "PCtoPDA_CorvaneSchema Error.";
constexpr const char* kMissingFileText =
    "Corvane.txt is not found. Conduit will not transfer Corvane_Schema file PDA.";
// The line index is 16-bit: it cannot step past its largest value.
constexpr size_t kMaxLines = 32768;

void ExportLine(FrmMain& frm, PDRecordAdapter& db, const std::string& row) {
  const Bytes vdata = SchemaLineRecord(row, [&](const char* step) { Log(frm, step, 10); });
  Log(frm, "writing the pc record onto Handheld database", 10);
  int32_t id = 0;
  db.AddRecord(id, 0, 0, vdata);
}

}  // namespace

bool PCtoPDA_CorvaneSchema(FrmMain& frm, HotSyncLink& link) {
  const std::string path = ExchangeFile(frm.syncPath, kSchemaFileName);
  if (!RegularFileExists(path)) {
    frm.window.ShowMessage(kMissingFileText, kMissingFileTitle, MessageButtons::kOk);
    Log(frm, kMissingFileText, 1);
    return false;
  }
  try {
    // Read before the database is touched, so an unreadable file leaves the
    // handheld's schema as it was.
    const std::string text = ReadWholeFile(path);

    Log(frm, "Open the handheld Database", 5);
    PDRecordAdapter db =
        PDDatabaseOpener(link).OpenDatabase(kSchemaDatabase, kRecordAdapterClass, kOpenReadWrite);
    if (db.RecordTotal() > 0) {
      Log(frm, "Delete all existing records from PDA CorvaneSchema table.", 1);
      db.ClearRecords(0, 255);
    }

    Log(frm, "Read file in string and split into lines", 5);
    Log(frm, "Split file to get rows in array 'arrRows'", 5);
    // A zero-length file is an empty text: one blank line, no record.
    const std::vector<std::string> arrRows = SplitText(text, "\r\n");
    if (arrRows.size() > kMaxLines) throw ConduitError(err::kOverflow, "Overflow");
    Log(frm, "Making " + std::to_string(static_cast<int>(arrRows.size()) - 1) + " iterations", 5);

    for (size_t i = 0; i < arrRows.size(); ++i) {
      Log(frm, "iteration: " + std::to_string(i), 10);
      if (TrimSpaces(arrRows[i]).empty()) {
        Log(frm, "empty line - skipping", 10);
        continue;
      }
      ExportLine(frm, db, arrRows[i]);
    }
    if (arrRows.size() == kMaxLines) throw ConduitError(err::kOverflow, "Overflow");

    Log(frm, "Close file", 5);
    return true;
  } catch (const std::exception& e) {
    ReportTransferError(frm, ErrorText(e), kErrorTitle);
    return false;
  }
}

}  // namespace corvane
