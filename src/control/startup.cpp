#include "control/startup.h"

#include "control/closing.h"
#include "control/handshake.h"
#include "control/stage_texts.h"
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
  WriteLog(frm, s, kToFileOnly, 1);
}

}  // namespace

void StartUp(FrmMain& frm, HotSyncLink& link, const StartUpServices& services) {
  frm.window.CenterOnScreen();
  frm.statusChanged = false;
  frm.appPath = services.app_path;
  frm.currentVerboseLevel = 1;
  LogFileOnly(frm, std::string(83, '='));
  LogFileOnly(frm, std::string(33, '=') + " sync starting... " + std::string(32, '='));
  LogFileOnly(frm, std::string("sync hc app version is ") + kAppVersion);
  LogFileOnly(frm, "sync eh app version is " + std::to_string(kFileVersionMajor) + "." +
                       std::to_string(kFileVersionMinor) + "." +
                       std::to_string(kFileVersionRevision));
  LogFileOnly(frm, "reading path from registry...");
  frm.syncPath = services.read_sync_path();
  // The settings read as empty whatever went wrong; the log says why.
  if (services.settings_problem) {
    const std::string problem = services.settings_problem();
    if (!problem.empty()) LogFileOnly(frm, problem);
  }
  LogFileOnly(frm, "path is: " + frm.syncPath);
  frm.currentVerboseLevel = LoadVerboseLevel(frm, frm.currentVerboseLevel);

  WriteLog(frm, "check for corvane process", kToListAndFile, 5);
  if (services.is_process_running(kPcApplicationPattern, true) != std::optional<bool>(true)) {
    WriteLog(frm, "corvane not running,  showing notify form", kToListAndFile, 5);
    services.show_notify(kNotRunningNotification);
    CloseMainWindow(frm, link, kExitEnded);
  }
  WriteLog(frm, "check status", kToListAndFile, 5);
  if (GetFlagStatus(frm) == kStage1) {
    WriteLog(frm, "status ok - continiue", kToListAndFile, 5);
    return;
  }
  WriteLog(frm, "wrong status", kToListAndFile, 5);
  CloseMainWindow(frm, link, kExitEnded);
}

}  // namespace corvane
