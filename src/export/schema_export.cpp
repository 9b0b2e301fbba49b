#include "export/schema_export.h"

#include <string>
#include <vector>

#include "handheld/sync_library.h"
#include "support/conduit_error.h"
#include "support/conduit_log.h"
#include "support/exchange_path.h"
#include "support/integer_text.h"
#include "support/text_file.h"
#include "support/text_ops.h"
#include "support/transfer_error.h"

namespace corvane {
namespace {

constexpr const char* kSchemaDatabase = "CRVN_Corvane_Schema";
constexpr const char* kErrorTitle = "PC2PDACorvaneSchema Error!!";
constexpr const char* kMissingFileTitle = "PCtoPDA_CorvaneSchema Error.";
constexpr const char* kMissingFileText =
    "Corvane.txt is not found. Conduit will not transfer Corvane_Schema file PDA.";
constexpr size_t kSchemaRecordSize = 201;
// The line index is 16-bit: it cannot step past its largest value.
constexpr size_t kMaxLines = 32768;

void Log(FrmMain& frm, const std::string& s, int16_t level) {
  WriteLog(frm, s, kToListAndFile, level);
}

const std::string& Field(const std::vector<std::string>& fields, size_t index) {
  if (index >= fields.size()) {
    throw ConduitError(err::kSubscriptOutOfRange, "Subscript out of range");
  }
  return fields[index];
}

void ExportLine(FrmMain& frm, PDRecordAdapter& db, const std::string& row) {
  Log(frm, "Split each row to get fields in array 'arrFields'", 10);
  const std::vector<std::string> arrFields = SplitText(row, "|");
  Log(frm, "Get Fields", 10);
  Log(frm, "FieldName", 10);
  const std::string& fieldName = Field(arrFields, 0);
  Log(frm, "CustomDataType", 10);
  const std::string& customDataType = Field(arrFields, 1);
  Log(frm, "DisplayName", 10);
  const std::string& displayName = Field(arrFields, 2);
  Log(frm, "PanelNumber", 10);
  int16_t panelNumber = TextToInt16(Field(arrFields, 3));

  // Texts longer than the buffer allows make TextToBytes raise: the record
  // is never written past its 201 bytes.
  Log(frm, "write all data in vdata variable", 10);
  Bytes vdata(kSchemaRecordSize, 0);
  PDByteConverter converter;
  Log(frm, "storing Panel Number in vdata variable", 10);
  int32_t offset = converter.NumberToBytes(vdata, 0, true, panelNumber);
  Log(frm, "storing CustomDataType in vdata variable", 10);
  offset = converter.TextToBytes(vdata, offset, customDataType);
  Log(frm, "storing DisplayName in vdata variable", 10);
  offset = converter.TextToBytes(vdata, offset, displayName);
  Log(frm, "storing Field name in vdata variable", 10);
  converter.TextToBytes(vdata, offset, TrimSpaces(fieldName));
  Log(frm, "writing the pc record onto Handheld database", 10);
  int32_t id = 0;
  db.AddRecord(id, 0, 0, vdata);
}

}  // namespace

bool PCtoPDA_CorvaneSchema(FrmMain& frm, HotSyncLink& link) {
  const std::string path = ExchangeFile(frm.syncPath, "\\corvane.txt");
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
