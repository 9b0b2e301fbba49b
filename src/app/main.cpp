// CorvaneConduit: one run is one synchronisation. Started by the hotsync
// launcher while the PC application waits in "stage1 pda2pc".

#include <QApplication>
#include <cstdio>

#include "control/closing.h"
#include "control/launch_gates.h"
#include "control/stage_engine.h"
#include "control/startup.h"
#include "control/transfer_plan.h"
#include "handheld/hotsync_link.h"
#include "platform/executable_folder.h"
#include "platform/settings_file.h"
#include "platform/system_clock.h"
#include "platform/system_process_list.h"
#include "support/conduit_log.h"
#include "support/frm_main.h"
#include "support/mod_process_list.h"
#include "support/mod_reg.h"
#include "ui/main_window.h"
#include "ui/notify_dialog.h"

using namespace corvane;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setApplicationName(kApplicationTitle);
  app.setQuitOnLastWindowClosed(false);

  SystemClock clock;
  MainWindow window;
  FrmMain frm(window, clock);
  std::unique_ptr<HotSyncLink> link = HotSyncLink::FromEnvironment();
  SettingsFile settings;
  std::unique_ptr<ProcessList> processes = MakeSystemProcessList();

  StageEngine engine(frm, *link, MakeTransferPlan(frm, *link));
  window.on_tick = [&] { engine.Tick(); };
  window.on_exit_clicked = [&] { ExitClicked(frm, *link); };
  window.on_first_activation = [&] { HotSyncGate(frm, *link); };
  window.on_close = [&] { CloseMainWindow(frm, *link, kExitEnded); };

  StartUpServices services;
  services.app_path = ExecutableFolder();
  services.read_sync_path = [&] {
    return ReadRegString(settings, kHKeyCurrentUser, kCorvaneKeyPath, kPalmSyncPath);
  };
  services.settings_problem = [&] {
    std::string problem = settings.Problem(kHKeyCurrentUser, kCorvaneKeyPath);
    // Said on stderr too: the log may be the very thing that cannot be written.
    if (!problem.empty()) std::fprintf(stderr, "CorvaneConduit: %s\n", problem.c_str());
    return problem;
  };
  services.is_process_running = [&](const std::string& pattern, bool ignore_case) {
    return IsProcessRunning(frm, *processes, pattern, ignore_case);
  };
  services.show_notify = [&](const std::string& notification) {
    ShowNotify(&window, settings, notification);
  };
  StartUp(frm, *link, services);

  window.show();
  app.exec();
  // The event loop only ends through closing the main window, which ends the process.
  CloseMainWindow(frm, *link, kExitEnded);
}
