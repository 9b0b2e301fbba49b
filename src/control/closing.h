#pragma once

#include "support/frm_main.h"

namespace corvane {

class HotSyncLink;

// Exit statuses, so that the launcher and scripts can tell the endings apart.
inline constexpr int kExitCompleted = 0;  // the synchronisation completed
inline constexpr int kExitEnded = 1;      // every other ending

// Copies the log into the exchange folder, every error ignored. Skipped when
// the exchange folder is unknown: the copy would land in the root folder.
void CopyLogToExchange(FrmMain& frm);

// Whether closing copies the log into the exchange folder: not when the
// folder belongs to another conduit's run.
enum class LogCopy { kToExchange, kNone };

// Closing the main window: every handheld change is written, the log is
// copied into the exchange folder, and the process ends at once.
[[noreturn]] void CloseMainWindow(FrmMain& frm, HotSyncLink& link, int status,
                                  LogCopy copy = LogCopy::kToExchange);

}  // namespace corvane
