#include "handheld/hotsync_link.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "handheld/handheld_folder.h"
#include "handheld/launcher_watch.h"
#include "support/conduit_error.h"
#include "support/folder_lock.h"

namespace corvane {

namespace {

ConduitError NoLink(const std::string& text) {
  return ConduitError(err::kNoHotSyncLink, text);
}

// The launcher's pipe named in the environment, made ours: none unless it
// is a valid descriptor of a pipe.
sys::Fd AliveFdFromEnvironment() {
  const char* text = std::getenv(kHotSyncAliveFdEnv);
  if (!text || !*text) return sys::Fd();
  char* end = nullptr;
  long fd = std::strtol(text, &end, 10);
  if (!end || *end != '\0' || fd < 0 || fd > 65535) return sys::Fd();
  struct stat st;
  if (::fstat(static_cast<int>(fd), &st) != 0 || !S_ISFIFO(st.st_mode)) return sys::Fd();
  // Nothing this process starts needs it.
  ::fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
  return sys::Fd(static_cast<int>(fd));
}

}  // namespace

std::unique_ptr<HotSyncLink> HotSyncLink::FromEnvironment() {
  const char* folder = std::getenv(kHotSyncFolderEnv);
  const char* launcher = std::getenv(kHotSyncLauncherEnv);
  if (!folder || !*folder || !launcher || !*launcher) {
    return std::make_unique<HotSyncLink>(std::nullopt, Source::kLauncher);
  }
  auto link = std::make_unique<HotSyncLink>(std::string(folder), Source::kLauncher,
                                            AliveFdFromEnvironment());
  char* end = nullptr;
  long pid = std::strtol(launcher, &end, 10);
  // A malformed pid can never be our parent, so the operation reads as not in progress.
  link->launcher_pid_ = (end && *end == '\0' && pid > 0) ? static_cast<int>(pid) : -1;
  return link;
}

HotSyncLink::HotSyncLink(std::optional<std::string> folder, Source source, sys::Fd launcher_fd)
    : folder_(std::move(folder)), source_(source) {
  // Without proof that its launcher lives, a launcher's link is over from the start.
  if (launcher_fd.valid() || (folder_ && source_ == Source::kLauncher)) {
    watch_ = std::make_shared<LauncherWatch>(std::move(launcher_fd));
  }
}

HotSyncLink::~HotSyncLink() = default;

void HotSyncLink::CheckFolderUsable() const {
  if (!folder_) throw NoLink("No HotSync operation: not started by the hotsync launcher");
  struct stat st;
  if (::stat(folder_->c_str(), &st) != 0) {
    int e = errno;
    throw NoLink("The handheld folder " + *folder_ + " is gone: " + std::strerror(e));
  }
  if (!S_ISDIR(st.st_mode)) throw NoLink("The handheld " + *folder_ + " is not a folder");
  if (::access(folder_->c_str(), R_OK | W_OK | X_OK) != 0) {
    int e = errno;
    throw NoLink("The handheld folder " + *folder_ + " is not usable: " + std::strerror(e));
  }
}

bool HotSyncLink::OperationEnded() const {
  return watch_ && watch_->Ended();
}

int HotSyncLink::launcher_fd() const {
  return watch_ ? watch_->fd() : -1;
}

void HotSyncLink::CheckNotEnded() const {
  if (watch_) watch_->ThrowIfEnded();
}

bool HotSyncLink::IsSyncInProgress() const {
  if (!folder_ || OperationEnded()) return false;
  CheckFolderUsable();
  if (source_ == Source::kAlways) return true;
  // The environment is inherited by grandchildren and outlives a killed
  // launcher; only the launcher that started us holds the operation for us.
  if (launcher_pid_ <= 0 || ::getppid() != launcher_pid_) return false;

  try {
    return FolderLock::HeldElsewhere(*folder_);
  } catch (const ConduitError& e) {
    throw NoLink("The handheld folder " + *folder_ +
                 " cannot be locked: " + std::strerror(e.number()));
  }
}

HandheldFolder& HotSyncLink::Folder() {
  CheckNotEnded();
  CheckFolderUsable();
  if (!handheld_) handheld_ = std::make_unique<HandheldFolder>(*folder_);
  return *handheld_;
}

void HotSyncLink::Flush(const Clock& clock) {
  if (!handheld_ || !handheld_->HasChanges()) return;
  CheckNotEnded();
  handheld_->Flush(clock);
}

}  // namespace corvane
