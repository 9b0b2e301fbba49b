#include "import/field_list.h"

#include <limits>

#include "handheld/database_names.h"
#include "handheld/sync_library.h"
#include "support/conduit_error.h"
#include "support/text_ops.h"
#include "support/transfer_error.h"

namespace corvane {
namespace {

constexpr const char* kTitle = "PDA2PCCorvaneDB Error!!";

}  // namespace

std::string getFieldList(FrmMain& frm, HotSyncLink& link) {
  std::string line;
  frm.fieldCount = 0;
  try {
    PDRecordAdapter db =
        PDDatabaseOpener(link).OpenDatabase(kSchemaDatabase, kRecordAdapterClass, kOpenReadWrite);
    db.SetReadPosition(0);
    if (db.RecordTotal() == 0) return line;
    PDByteConverter conv;
    Bytes data = db.ReadNextRecord();
    while (!db.AtEnd()) {
      int16_t panel = 0;
      std::string customType, displayName, fieldName;
      int32_t offset = conv.NumberFromBytes(data, 0, true, panel);
      offset = conv.TextFromBytes(data, offset, kMaxTextLength, customType);
      offset = conv.TextFromBytes(data, offset, kMaxTextLength, displayName);
      conv.TextFromBytes(data, offset, kMaxTextLength, fieldName);
      line += line.empty() ? "^" : "|";
      line += TrimSpaces(fieldName);
      // The count is a 16-bit field: one more record than it holds is an overflow.
      if (frm.fieldCount == std::numeric_limits<int16_t>::max()) {
        throw ConduitError(err::kOverflow, "Overflow");
      }
      ++frm.fieldCount;
      data = db.ReadNextRecord();
    }
    return line;
  } catch (const std::exception& e) {
    // "Databse": the message as users and the log have always had it.
    std::string text =
        ErrorNumber(e) == err::kNotFound ? "Record, Databse etc. not found." : ErrorText(e);
    ReportTransferError(frm, text, kTitle);
    return std::string();
  }
}

}  // namespace corvane
