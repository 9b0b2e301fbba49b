#pragma once

#include <memory>
#include <optional>
#include <string>

#include "support/system.h"

namespace corvane {

class Clock;
class HandheldFolder;
class LauncherWatch;

// The environment through which the hotsync launcher hands its held folder
// to the conduit it runs: the folder, the launcher's process id, and the
// descriptor of the pipe that reaches end-of-file when the launcher is gone.
inline constexpr const char* kHotSyncFolderEnv = "CORVANE_HOTSYNC_FOLDER";
inline constexpr const char* kHotSyncLauncherEnv = "CORVANE_HOTSYNC_LAUNCHER";
inline constexpr const char* kHotSyncAliveFdEnv = "CORVANE_HOTSYNC_ALIVE_FD";

// This process's link to the handheld during a HotSync operation: the stand-in
// for the sync library's connection. It owns the handheld folder's databases
// for the run; changed databases reach their files through Flush().
//
// Once the launcher is gone the HotSync operation is over for good: every
// handheld operation, the write-back included, raises err::kHotSyncEnded and
// the folder is never touched again, as the sync library refuses everything
// once its connection is gone.
class HotSyncLink {
 public:
  enum class Source {
    kLauncher,  // in progress while the launcher that started us holds the folder
    kAlways,    // tests and tools: the folder is simply there
  };

  // The link the launcher set up for this process, or one without a folder
  // when the process was not started by a launcher.
  static std::unique_ptr<HotSyncLink> FromEnvironment();

  // launcher_fd: the read end of the launcher's pipe, taken over by the link.
  // A kLauncher link with a folder but without one sees its launcher gone; a
  // kAlways link with one is in progress until that pipe's writer is gone.
  HotSyncLink(std::optional<std::string> folder, Source source, sys::Fd launcher_fd = sys::Fd());
  ~HotSyncLink();
  HotSyncLink(const HotSyncLink&) = delete;
  HotSyncLink& operator=(const HotSyncLink&) = delete;

  // True exactly while a HotSync operation holds the folder for this process.
  // Raises ConduitError (kNoHotSyncLink) when the held folder is gone or unusable.
  bool IsSyncInProgress() const;

  // True once the launcher of this process's HotSync operation is gone.
  bool OperationEnded() const;
  // The descriptor that becomes readable when the launcher is gone, for an
  // event loop to watch; -1 when there is nothing to watch.
  int launcher_fd() const;
  // What record adapters keep to ask the same question; null when the link
  // has no launcher to watch.
  std::shared_ptr<const LauncherWatch> watch() const { return watch_; }

  // The databases of the held folder; raises ConduitError (kNoHotSyncLink)
  // without a folder, or when the folder is gone or unusable, and
  // (kHotSyncEnded) once the operation is over.
  HandheldFolder& Folder();

  // Writes every changed database to its file (atomically, see HandheldFolder),
  // dated by clock. A no-op when nothing changed; raises kHotSyncEnded once
  // the operation is over.
  void Flush(const Clock& clock);

  const std::optional<std::string>& folder_path() const { return folder_; }

 private:
  void CheckFolderUsable() const;
  void CheckNotEnded() const;

  std::optional<std::string> folder_;
  Source source_;
  // Shared with the record adapters, which must refuse to work once the
  // operation is over even though they were opened before.
  std::shared_ptr<const LauncherWatch> watch_;
  std::unique_ptr<HandheldFolder> handheld_;
  // The launcher's process id from the environment; -1 when unknown.
  int launcher_pid_ = -1;
};

}  // namespace corvane
