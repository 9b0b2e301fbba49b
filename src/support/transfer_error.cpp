#include "support/transfer_error.h"

#include "support/conduit_log.h"

namespace corvane {

void ReportTransferError(FrmMain& frm, const std::string& text, const std::string& title,
                         ErrorLogging logging) {
  frm.window.SetActivity(kErrorInSynchronization);
  frm.window.ShowMessage(text, title, MessageButtons::kOk);
  if (logging == ErrorLogging::kLogged) Log(frm, text, 5);
}

}  // namespace corvane
