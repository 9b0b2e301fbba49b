#include "control/startup.h"

#include "control/closing.h"
#include "control/handshake.h"
#include "exchange/exchange_lock.h"
#include "exchange/stage_texts.h"
#include "support/conduit_error.h"
#include "support/conduit_log.h"
#include "version.h"

namespace corvane {
namespace {

constexpr const char* kNotRunningNotification =
    "1|Corvane for Palm Synchronisation can not continue at this time because you are not "
    "running your Corvane PC application. To synchronize your Corvane pilot logbook data with "
    "your Palm device, you must start synchronisation process from within the Corvane PC "
    "application.\r\n\r\n(Corvane - Palm synchronization will not occur at this time).";

void LogFileOnly(FrmMain& frm, const std::string& s) {
  WriteLog(frm, s, LogTo::kFileOnly, 1);
}

// Ends the run, writing nothing into the exchange folder: it belongs to
// another conduit's run, or cannot be held.
[[noreturn]] void RefuseExchange(FrmMain& frm, HotSyncLink& link, const std::string& log_line,
                                 const std::string& message) {
  // Whatever ends the run from here on, the box below included.
  frm.exchangeRefused = true;
  Log(frm, log_line, 1);
  frm.window.ShowMessage(message + "\r\n(Corvane Sync will not continue).", kApplicationTitle,
                         MessageButtons::kOk);
  CloseMainWindow(frm, link, kExitEnded);
}

// One synchronisation per exchange folder; an empty syncPath has no folder to hold.
void HoldExchangeFolder(FrmMain& frm, HotSyncLink& link, ExchangeLock* lock) {
  if (!lock || frm.syncPath.empty()) return;
  try {
    if (lock->Hold(frm.syncPath) != ExchangeLock::Outcome::kHeldElsewhere) return;
  } catch (const std::exception& e) {
    RefuseExchange(frm, link,
                   "cannot hold the exchange folder " + frm.syncPath + ": " + ErrorText(e),
                   "The exchange folder " + frm.syncPath + " cannot be locked: " + ErrorText(e));
  }
  RefuseExchange(
      frm, link, "exchange folder held by another synchronisation: " + frm.syncPath,
      "The exchange folder " + frm.syncPath + " is in use by another Corvane synchronisation.");
}

// Temporaries that a killed run left while replacing an exchange file; only
// the holder of the folder may remove them.
void RemoveExchangeTemporaries(FrmMain& frm, const ExchangeLock* lock) {
  if (!lock) return;
  if (int removed = lock->RemoveStaleTemporaries()) {
    Log(frm, "removed " + std::to_string(removed) + " temporary files of an interrupted run", 5);
  }
}

}  // namespace

void StartUp(FrmMain& frm, HotSyncLink& link, const StartUpServices& services) {
  frm.window.CenterOnScreen();
  frm.statusChanged = false;
  frm.appPath = services.app_path;
  frm.logFolder = services.log_folder;
  frm.currentVerboseLevel = 1;
  LogFileOnly(frm, std::string(83, '='));
  LogFileOnly(frm, std::string(33, '=') + " sync starting... " + std::string(32, '='));
  LogFileOnly(frm, std::string("sync hc app version is ") + kAppVersion);
  LogFileOnly(frm, "sync eh app version is " + std::to_string(kFileVersionMajor) + "." +
                       std::to_string(kFileVersionMinor) + "." +
                       std::to_string(kFileVersionRevision));
  LogFileOnly(frm, "reading path from registry...");
  SyncPathReading reading = services.read_sync_path();
  frm.syncPath = reading.value;
  if (reading.origin) LogFileOnly(frm, *reading.origin);
  // The settings read as empty whatever went wrong; the log says why.
  if (services.settings_problem) {
    const std::string problem = services.settings_problem();
    if (!problem.empty()) LogFileOnly(frm, problem);
  }
  LogFileOnly(frm, "path is: " + frm.syncPath);
  HoldExchangeFolder(frm, link, services.exchange_lock);
  frm.currentVerboseLevel = LoadVerboseLevel(frm, frm.currentVerboseLevel);
  RemoveExchangeTemporaries(frm, services.exchange_lock);

  Log(frm, "check for corvane process", 5);
  if (services.is_process_running(kPcApplicationPattern, true) != std::optional<bool>(true)) {
    Log(frm, "corvane not running,  showing notify form", 5);
    services.show_notify(kNotRunningNotification);
    CloseMainWindow(frm, link, kExitEnded);
  }
  Log(frm, "check status", 5);
  if (GetFlagStatus(frm) == kStage1) {
    // "continiue": the log's own spelling, which log readers know.
    Log(frm, "status ok - continiue", 5);
    return;
  }
  Log(frm, "wrong status", 5);
  CloseMainWindow(frm, link, kExitEnded);
}

}  // namespace corvane
