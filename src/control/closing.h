#pragma once

#include "support/frm_main.h"

namespace corvane {

class HotSyncLink;

// Exit statuses, so that the launcher and scripts can tell the endings apart.
inline constexpr int kExitCompleted = 0;  // the synchronisation completed
inline constexpr int kExitEnded = 1;      // every other ending

// Copies the log into the exchange folder, every error ignored. Skipped when
// the exchange folder is unknown (the copy would land in the root folder),
// and when it belongs to another conduit's run.
void CopyLogToExchange(FrmMain& frm);

// Closing the main window: every handheld change is written, the log is
// copied into the exchange folder, and the process ends at once.
[[noreturn]] void CloseMainWindow(FrmMain& frm, HotSyncLink& link, int status);

}  // namespace corvane
