#pragma once

#include <functional>
#include <optional>
#include <string>

#include "support/frm_main.h"

namespace corvane {

class HotSyncLink;
class ExchangeLock;

// The PC application's executable name: corvane at the start or after a
// backslash, not followed by conduit (the conduit itself), then .exe.
inline constexpr const char* kPcApplicationPattern = R"((?:\\|^)corvane(?!conduit)[^\\]*\.exe)";

// The PalmSyncPath setting as read, with a note for the log when it came
// from elsewhere than the settings file, or when a fallback was tried and failed.
struct SyncPathReading {
  SyncPathReading(std::string path = {}, std::optional<std::string> note = std::nullopt)
      : value(std::move(path)), origin(std::move(note)) {}

  std::string value;
  std::optional<std::string> origin;
};

// What start-up asks of the world outside the core.
struct StartUpServices {
  std::string app_path;    // the executable's folder
  std::string log_folder;  // where the log lives: app_path, or a per-user folder
  std::function<SyncPathReading()> read_sync_path;
  // Why the settings could not be used (read after read_sync_path), or "";
  // may be left empty.
  std::function<std::string()> settings_problem;
  std::function<std::optional<bool>(const std::string& pattern, bool ignore_case)>
      is_process_running;                                            // no answer without a snapshot
  std::function<void(const std::string& notification)> show_notify;  // modal
  // Holds the exchange folder for the whole run; null takes no lock.
  ExchangeLock* exchange_lock = nullptr;
};

// Start-up, before the main window is shown: the log header, the exchange
// folder and its lock, the verbosity, and the launch checks. Returns when the
// window is to be shown; every failed check closes the main window, which
// ends the process. A folder held by another conduit ends the run without
// writing anything into it.
void StartUp(FrmMain& frm, HotSyncLink& link, const StartUpServices& services);

}  // namespace corvane
