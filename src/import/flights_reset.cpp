#include "import/flights_reset.h"

#include "handheld/database_names.h"
#include "handheld/sync_library.h"
#include "support/conduit_error.h"
#include "support/conduit_log.h"
#include "support/transfer_error.h"

namespace corvane {

bool ResetPalmDB(FrmMain& frm, HotSyncLink& link) {
  try {
    Log(frm, "Clearing PDA's flights DB", 1);
    Log(frm, std::string("Open ") + kFlightsDatabase, 5);
    PDRecordAdapter db =
        PDDatabaseOpener(link).OpenDatabase(kFlightsDatabase, kRecordAdapterClass, kOpenReadWrite);
    Log(frm,
        std::string("Open ") + kFlightsDatabase + " got " + std::to_string(db.RecordTotal()) +
            " records",
        5);
    if (db.RecordTotal() > 0) {
      Log(frm, "removing all records", 5);
      db.ClearRecords(0, 255);
    }
    return true;
  } catch (const std::exception& e) {
    ReportTransferError(frm, ErrorText(e), "ResetPalmDB Error!!");
    return false;
  }
}

}  // namespace corvane
