#include "import/flights_import.h"

#include <algorithm>
#include <optional>

#include "handheld/sync_library.h"
#include "import/exchange_lines.h"
#include "import/field_list.h"
#include "support/conduit_error.h"
#include "support/conduit_log.h"
#include "support/exchange_path.h"
#include "support/text_file.h"
#include "support/text_ops.h"
#include "support/transfer_error.h"

namespace corvane {
namespace {

constexpr int32_t kMaxTextLength = 32767;

std::array<int, kFlightFieldCount> SortedAsText() {
  std::array<int, kFlightFieldCount> order;
  for (int i = 0; i < kFlightFieldCount; ++i) order[i] = i + 1;
  std::sort(order.begin(), order.end(),
            [](int a, int b) { return std::to_string(a) < std::to_string(b); });
  return order;
}

// Slots 0 to fieldCount - 1, trimmed and joined by "|". The slots end at 50:
// a schema of more fields cannot be served.
std::string ValueLine(const std::array<std::string, kFlightSlotCount>& slots, int fieldCount) {
  if (fieldCount > kFlightSlotCount) {
    throw ConduitError(err::kSubscriptOutOfRange, "Subscript out of range");
  }
  std::string line;
  if (fieldCount > 0) line = TrimSpaces(slots[0]);
  for (int i = 1; i < fieldCount; ++i) {
    line += '|';
    line += TrimSpaces(slots[i]);
  }
  return line;
}

}  // namespace

const std::array<int, kFlightFieldCount>& FlightStorageOrder() {
  static const std::array<int, kFlightFieldCount> order = SortedAsText();
  return order;
}

bool PDAtoPC_CorvaneDB(FrmMain& frm, HotSyncLink& link) {
  std::optional<ExchangeLines> out;
  try {
    const std::string names = getFieldList(frm, link);
    const std::string path = ExchangeFile(frm.syncPath, "\\db.txt");
    if (!RegularFileExists(path)) WriteLog(frm, "Create a new db.txt file.", kToListAndFile, 5);
    out.emplace(path);

    PDRecordAdapter db =
        PDDatabaseOpener(link).OpenDatabase(kFlightsDatabase, kRecordAdapterClass, kOpenReadWrite);
    db.SetReadPosition(0);
    // Without field names the PC would get empty lines for flights that the
    // end of the synchronisation then erases: keep them on the handheld.
    if (db.RecordTotal() > 0 && names.empty()) {
      throw ConduitError(err::kNoLogbookSchema,
                         std::string("The handheld's logbook schema (") + kSchemaDatabase +
                             ") is missing or empty: the flights stay on the handheld");
    }
    if (db.RecordTotal() > 0) {
      const auto& order = FlightStorageOrder();
      PDByteConverter conv;
      std::array<std::string, kFlightSlotCount> slots;
      Bytes data = db.ReadNextRecord();
      while (!db.AtEnd()) {
        int32_t offset = 0;
        for (int position = 0; position < kFlightFieldCount; ++position) {
          offset = conv.TextFromBytes(data, offset, kMaxTextLength, slots[order[position] - 1]);
        }
        std::string values = ValueLine(slots, frm.fieldCount);
        out->AddLine(names);
        out->AddLine(values);
        data = db.ReadNextRecord();
      }
    }

    out->Close();
    return true;
  } catch (const std::exception& e) {
    if (out) out->SaveWhatIsLeft();
    out.reset();
    ReportTransferError(frm, ErrorText(e), "PDA2PCCorvaneDB Error!!");
    return false;
  }
}

}  // namespace corvane
