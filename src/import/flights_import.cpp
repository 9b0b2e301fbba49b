#include "import/flights_import.h"

#include <algorithm>
#include <optional>

#include "exchange/exchange_files.h"
#include "exchange/exchange_lines.h"
#include "exchange/exchange_path.h"
#include "handheld/database_names.h"
#include "handheld/sync_library.h"
#include "import/field_list.h"
#include "support/conduit_error.h"
#include "support/conduit_log.h"
#include "support/text_file.h"
#include "support/text_ops.h"
#include "support/transfer_error.h"

namespace corvane {
namespace {

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

// Whether a field-name line ("^name|name|...") holds a name that is not blank.
bool NamesAnyField(const std::string& names) {
  return names.find_first_not_of("^| ") != std::string::npos;
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
    const std::string path = ExchangeFile(frm.syncPath, kFlightsFileName);
    if (!RegularFileExists(path)) Log(frm, "Create a new db.txt file.", 5);
    out.emplace(path);

    PDRecordAdapter db =
        PDDatabaseOpener(link).OpenDatabase(kFlightsDatabase, kRecordAdapterClass, kOpenReadWrite);
    db.SetReadPosition(0);
    if (db.RecordTotal() > 0) {
      // Without a field name the PC application can map, it would get
      // flights that it cannot read, and the end of the synchronisation
      // would erase them from the handheld: they stay there instead.
      if (!NamesAnyField(names)) {
        throw ConduitError(err::kNoLogbookSchema,
                           std::string("The handheld's logbook schema (") + kSchemaDatabase +
                               (names.empty() ? ") is missing or empty" : ") names no field") +
                               ": the flights stay on the handheld");
      }
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
