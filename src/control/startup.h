#pragma once

#include <functional>
#include <optional>
#include <string>

#include "support/frm_main.h"

namespace corvane {

class HotSyncLink;

// The PC application's executable name: corvane at the start or after a
// backslash, not followed by conduit (the conduit itself), then .exe.
inline constexpr const char* kPcApplicationPattern = R"((?:\\|^)corvane(?!conduit)[^\\]*\.exe)";

// What start-up asks of the world outside the core.
struct StartUpServices {
  std::string app_path;                         // the executable's folder
  std::function<std::string()> read_sync_path;  // the PalmSyncPath setting
  // Why the settings could not be used (read after read_sync_path), or "";
  // may be left empty.
  std::function<std::string()> settings_problem;
  std::function<std::optional<bool>(const std::string& pattern, bool ignore_case)>
      is_process_running;                                            // no answer without a snapshot
  std::function<void(const std::string& notification)> show_notify;  // modal
};

// Start-up, before the main window is shown: the log header, the exchange
// folder, the verbosity, and the launch checks. Returns when the window is to
// be shown; every failed check closes the main window, which ends the process.
void StartUp(FrmMain& frm, HotSyncLink& link, const StartUpServices& services);

}  // namespace corvane
