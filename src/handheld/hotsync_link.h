#pragma once

#include <memory>
#include <optional>
#include <string>

#include "support/system.h"

namespace corvane {

namespace link {
class DlpTransport;
}
class Clock;
class HandheldFolder;
class HandheldStore;
class LauncherWatch;

// The environment through which the hotsync launcher hands its HotSync
// operation to the conduit it runs: the handheld folder (folder mode) or the
// descriptor of the DLP channel to a live handheld, the launcher's process
// id, and the descriptor of the pipe that reaches end-of-file when the
// launcher is gone.
inline constexpr const char* kHotSyncFolderEnv = "CORVANE_HOTSYNC_FOLDER";
inline constexpr const char* kHotSyncChannelFdEnv = "CORVANE_HOTSYNC_CHANNEL_FD";
inline constexpr const char* kHotSyncLauncherEnv = "CORVANE_HOTSYNC_LAUNCHER";
inline constexpr const char* kHotSyncAliveFdEnv = "CORVANE_HOTSYNC_ALIVE_FD";

// This process's link to the handheld during a HotSync operation: the stand-in
// for the sync library's connection. It owns the handheld's databases for the
// run (a folder of Palm database files, or a live handheld reached through
// hotsync); changed databases reach the handheld through Flush().
//
// Once the launcher is gone, or a live handheld's connection failed, the
// HotSync operation is over for good: every handheld operation, the
// write-back included, raises err::kHotSyncEnded and the handheld is never
// touched again, as the sync library refuses everything once its connection
// is gone.
class HotSyncLink {
 public:
  enum class Source {
    kLauncher,  // in progress while the launcher that started us holds the handheld
    kAlways,    // tests and tools: the handheld is simply there
  };

  // The link the launcher set up for this process, or one without a
  // handheld when the process was not started by a launcher.
  static std::unique_ptr<HotSyncLink> FromEnvironment();

  // A handheld folder. launcher_fd: the read end of the launcher's pipe,
  // taken over by the link. A kLauncher link with a folder but without one
  // sees its launcher gone; a kAlways link with one is in progress until
  // that pipe's writer is gone.
  HotSyncLink(std::optional<std::string> folder, Source source, sys::Fd launcher_fd = sys::Fd());
  // A live handheld, whose DLP requests cross transport (the channel from
  // hotsync); without a valid launcher_fd it is over from the start.
  HotSyncLink(std::unique_ptr<link::DlpTransport> transport, Source source, sys::Fd launcher_fd);
  ~HotSyncLink();
  HotSyncLink(const HotSyncLink&) = delete;
  HotSyncLink& operator=(const HotSyncLink&) = delete;

  // True exactly while a HotSync operation holds the handheld for this
  // process. Raises ConduitError (kNoHotSyncLink) when the held folder is
  // gone or unusable.
  bool IsSyncInProgress() const;

  // True once the HotSync operation is over.
  bool OperationEnded() const;
  // The descriptor that becomes readable when the launcher is gone, for an
  // event loop to watch; -1 when there is nothing to watch.
  int launcher_fd() const;
  // What record adapters keep to ask the same question; null when the link
  // has no launcher to watch.
  std::shared_ptr<const LauncherWatch> watch() const { return watch_; }

  // The handheld's databases; raises ConduitError (kNoHotSyncLink) without a
  // handheld, or when the folder is gone or unusable, and (kHotSyncEnded)
  // once the operation is over.
  HandheldStore& Store();
  // The same, for a folder link only.
  HandheldFolder& Folder();

  // Writes every changed database to the handheld (atomically, see
  // HandheldFolder), dated by clock. A no-op when nothing changed; raises
  // kHotSyncEnded once the operation is over.
  void Flush(const Clock& clock);
  // The end of the conduit's run: the store lets go of what it holds open.
  // Errors are not reported: the run ends anyway.
  void Close();

  const std::optional<std::string>& folder_path() const { return folder_; }

 private:
  void CheckFolderUsable() const;
  void CheckNotEnded() const;

  std::optional<std::string> folder_;
  std::unique_ptr<link::DlpTransport> transport_;  // a live handheld's
  Source source_;
  // Shared with the record adapters, which must refuse to work once the
  // operation is over even though they were opened before.
  std::shared_ptr<const LauncherWatch> watch_;
  std::unique_ptr<HandheldStore> store_;
  // The launcher's process id from the environment; -1 when unknown.
  int launcher_pid_ = -1;
};

}  // namespace corvane
