#pragma once

#include <memory>
#include <optional>
#include <string>

namespace corvane {

class HandheldFolder;

// The environment through which the hotsync launcher hands its held folder
// to the conduit it runs: the folder, and the launcher's process id.
inline constexpr const char* kHotSyncFolderEnv = "CORVANE_HOTSYNC_FOLDER";
inline constexpr const char* kHotSyncLauncherEnv = "CORVANE_HOTSYNC_LAUNCHER";

// This process's link to the handheld during a HotSync operation: the stand-in
// for the sync library's connection. It owns the handheld folder's databases
// for the run; changed databases reach their files through Flush().
class HotSyncLink {
 public:
  enum class Source {
    kLauncher,  // in progress while the launcher that started us holds the folder
    kAlways,    // tests and tools: the folder is simply there
  };

  // The link the launcher set up for this process, or one without a folder
  // when the process was not started by a launcher.
  static std::unique_ptr<HotSyncLink> FromEnvironment();

  HotSyncLink(std::optional<std::string> folder, Source source);
  ~HotSyncLink();
  HotSyncLink(const HotSyncLink&) = delete;
  HotSyncLink& operator=(const HotSyncLink&) = delete;

  // True exactly while a HotSync operation holds the folder for this process.
  // Raises ConduitError (kNoHotSyncLink) when the held folder is gone or unusable.
  bool IsSyncInProgress() const;

  // The databases of the held folder; raises ConduitError (kNoHotSyncLink)
  // without a folder, or when the folder is gone or unusable.
  HandheldFolder& Folder();

  // Writes every changed database to its file (atomically, see HandheldFolder).
  // A no-op without a folder.
  void Flush();

  const std::optional<std::string>& folder_path() const { return folder_; }

 private:
  void CheckFolderUsable() const;

  std::optional<std::string> folder_;
  Source source_;
  std::unique_ptr<HandheldFolder> handheld_;
  // The launcher's process id from the environment; -1 when unknown.
  int launcher_pid_ = -1;
};

}  // namespace corvane
