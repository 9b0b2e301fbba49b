#include "control/closing.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "exchange/exchange_path.h"
#include "handheld/hotsync_link.h"
#include "support/atomic_file.h"
#include "support/conduit_error.h"
#include "support/conduit_log.h"
#include "support/sequential_file.h"

namespace corvane {

void CopyLogToExchange(FrmMain& frm) {
  if (frm.syncPath.empty() || frm.exchangeRefused) return;
  try {
    // A copy left by an earlier run in another letter case is replaced, not
    // kept beside the new one.
    std::string destination = ExchangeFile(frm.syncPath, kLogFileName);
    // The log keeps every run's lines, so it goes across in pieces rather
    // than whole through memory.
    WriteFileAtomically(destination, [&frm](ByteSink& out) {
      constexpr size_t kPiece = 64 * 1024;
      SequentialFile in(LogFilePath(frm));
      std::vector<uint8_t> piece;
      for (size_t left = in.size(); left > 0;) {
        const size_t n = std::min(left, kPiece);
        piece.clear();
        in.Take(n, piece);
        out.Write(piece);
        left -= n;
      }
    });
  } catch (const std::exception&) {
    // A log that cannot be copied must not keep the run from ending.
  }
}

void CloseMainWindow(FrmMain& frm, HotSyncLink& link, int status) {
  try {
    link.Flush(frm.clock);
  } catch (const std::exception& e) {
    // Formatted as WriteLog formats, but written whatever the verbosity and
    // without letting events run: the window is on its way out.
    AppendLogLine(frm, LogLine(frm, "handheld databases not written: " + ErrorText(e)));
  }
  link.Close();
  CopyLogToExchange(frm);
  frm.window.EndProcess(status);
  std::abort();  // a window that let the run go on would break every caller
}

}  // namespace corvane
