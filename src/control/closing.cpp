#include "control/closing.h"

#include <cstdlib>

#include "handheld/hotsync_link.h"
#include "support/atomic_file.h"
#include "support/conduit_error.h"
#include "support/conduit_log.h"
#include "support/exchange_path.h"
#include "support/text_file.h"

namespace corvane {

void CopyLogToExchange(FrmMain& frm) {
  if (frm.syncPath.empty()) return;
  try {
    // A copy left by an earlier run in another letter case is replaced, not
    // kept beside the new one.
    std::string destination = ExchangeFile(frm.syncPath, std::string("\\") + kLogFileName);
    WriteFileAtomically(destination, ReadWholeFile(LogFilePath(frm)));
  } catch (const std::exception&) {
    // A log that cannot be copied must not keep the run from ending.
  }
}

void CloseMainWindow(FrmMain& frm, HotSyncLink& link, int status, LogCopy copy) {
  try {
    link.Flush();
  } catch (const std::exception& e) {
    // Formatted as WriteLog formats, but written whatever the verbosity and
    // without letting events run: the window is on its way out.
    AppendLogLine(frm, LogLine(frm, "handheld databases not written: " + ErrorText(e)));
  }
  if (copy == LogCopy::kToExchange) CopyLogToExchange(frm);
  frm.window.EndProcess(status);
  std::abort();  // a window that let the run go on would break every caller
}

}  // namespace corvane
