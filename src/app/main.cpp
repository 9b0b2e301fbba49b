// CorvaneConduit: one run is one synchronisation. Started by the hotsync
// launcher while the PC application waits in "stage1 pda2pc".

#include <QApplication>
#include <QSocketNotifier>
#include <cstdio>

#include "control/closing.h"
#include "control/launch_gates.h"
#include "control/stage_engine.h"
#include "control/startup.h"
#include "control/transfer_plan.h"
#include "exchange/exchange_lock.h"
#include "handheld/hotsync_link.h"
#include "platform/executable_folder.h"
#include "platform/file_size_signal.h"
#include "platform/log_folder.h"
#include "platform/settings_file.h"
#include "platform/system_clock.h"
#include "platform/system_process_list.h"
#include "platform/wine_fallback_settings.h"
#include "support/conduit_log.h"
#include "support/frm_main.h"
#include "support/mod_process_list.h"
#include "support/mod_reg.h"
#include "ui/main_window.h"
#include "ui/notify_dialog.h"

using namespace corvane;

int main(int argc, char** argv) {
  IgnoreFileSizeSignal();
  QApplication app(argc, argv);
  app.setApplicationName(kApplicationTitle);
  app.setQuitOnLastWindowClosed(false);

  SystemClock clock;
  MainWindow window;
  FrmMain frm(window, clock);
  std::unique_ptr<HotSyncLink> link = HotSyncLink::FromEnvironment();
  SettingsFile settings;
  WineFallbackSettings settings_or_wine(settings);
  std::unique_ptr<ProcessList> processes = MakeSystemProcessList();
  ExchangeLock exchange_lock;  // held until the process ends

  StageEngine engine(frm, *link, MakeTransferPlan(frm, *link));
  window.on_tick = [&] { engine.Tick(); };
  window.on_exit_clicked = [&] { ExitClicked(frm, *link); };
  window.on_first_activation = [&] { HotSyncGate(frm, *link); };
  window.on_close = [&] { CloseMainWindow(frm, *link, kExitEnded); };

  // The launcher's end is seen at once, from the first moment on: in any
  // stage and inside any modal box (start-up's notice and refusals
  // included), not only by the ticks that a phase or a box holds back.
  std::unique_ptr<QSocketNotifier> launcher_gone;
  if (link->launcher_fd() >= 0) {
    launcher_gone = std::make_unique<QSocketNotifier>(link->launcher_fd(), QSocketNotifier::Read);
    QObject::connect(launcher_gone.get(), &QSocketNotifier::activated, [&] {
      if (!link->OperationEnded()) return;
      launcher_gone->setEnabled(false);
      engine.HotSyncEnded();
    });
  }

  StartUpServices services;
  services.app_path = ExecutableFolder();
  services.log_folder = LogFolder(services.app_path);
  services.read_sync_path = [&] {
    std::string path =
        ReadRegString(settings_or_wine, kHKeyCurrentUser, kCorvaneKeyPath, kPalmSyncPath);
    return SyncPathReading(path, settings_or_wine.origin_note());
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
  services.exchange_lock = &exchange_lock;
  StartUp(frm, *link, services);

  window.show();
  app.exec();
  // The event loop only ends through closing the main window, which ends the process.
  CloseMainWindow(frm, *link, kExitEnded);
}
