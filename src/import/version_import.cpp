#include "import/version_import.h"

#include "exchange/exchange_files.h"
#include "exchange/exchange_path.h"
#include "handheld/database_names.h"
#include "handheld/sync_library.h"
#include "support/conduit_error.h"
#include "support/conduit_log.h"
#include "support/text_file.h"
#include "support/transfer_error.h"

namespace corvane {
bool GetVesion(FrmMain& frm, HotSyncLink& link) {
  try {
    PDRecordAdapter db =
        PDDatabaseOpener(link).OpenDatabase(kPrefDatabase, kRecordAdapterClass, kOpenReadWrite);
    db.SetReadPosition(0);
    if (db.RecordTotal() == 0) return false;
    Bytes data = db.ReadNextRecord();
    PDByteConverter conv;
    std::string first, second, version;
    int32_t offset = conv.TextFromBytes(data, 0, kMaxTextLength, first);
    offset = conv.TextFromBytes(data, offset, kMaxTextLength, second);
    conv.TextFromBytes(data, offset, kMaxTextLength, version);
    Log(frm, "palm app version is " + version, 5);
    WriteWholeFile(ExchangeFile(frm.syncPath, kVersionFileName), version);
    return true;
  } catch (const std::exception& e) {
    ReportTransferError(frm, "Error in initialising sync operations." + ErrorText(e),
                        "Corvane Conduit", ErrorLogging::kNotLogged);
    return false;
  }
}

}  // namespace corvane
