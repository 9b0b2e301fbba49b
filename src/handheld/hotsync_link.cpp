#include "handheld/hotsync_link.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "handheld/handheld_folder.h"
#include "handheld/launcher_watch.h"
#include "handheld/live_handheld.h"
#include "link/byte_stream.h"
#include "link/channel.h"
#include "support/conduit_error.h"
#include "support/folder_lock.h"

namespace corvane {

namespace {

ConduitError NoLink(const std::string& text) {
  return ConduitError(err::kNoHotSyncLink, text);
}

// A descriptor named in the environment, made ours: none unless it is a
// valid descriptor of the kind wanted (S_IFIFO, S_IFSOCK).
sys::Fd FdFromEnvironment(const char* name, mode_t kind) {
  const char* text = std::getenv(name);
  if (!text || !*text) return sys::Fd();
  char* end = nullptr;
  long fd = std::strtol(text, &end, 10);
  if (!end || *end != '\0' || fd < 0 || fd > 65535) return sys::Fd();
  struct stat st;
  if (::fstat(static_cast<int>(fd), &st) != 0 || (st.st_mode & S_IFMT) != kind) return sys::Fd();
  // Nothing this process starts needs it.
  ::fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
  return sys::Fd(static_cast<int>(fd));
}

}  // namespace

std::unique_ptr<HotSyncLink> HotSyncLink::FromEnvironment() {
  const char* folder = std::getenv(kHotSyncFolderEnv);
  const char* launcher = std::getenv(kHotSyncLauncherEnv);
  sys::Fd channel = FdFromEnvironment(kHotSyncChannelFdEnv, S_IFSOCK);
  const bool live = channel.valid();
  if ((!live && (!folder || !*folder)) || !launcher || !*launcher) {
    return std::make_unique<HotSyncLink>(std::nullopt, Source::kLauncher);
  }
  sys::Fd alive = FdFromEnvironment(kHotSyncAliveFdEnv, S_IFIFO);
  auto link = live ? std::make_unique<HotSyncLink>(
                         std::make_unique<link::ChannelTransport>(
                             std::make_unique<link::FdStream>(std::move(channel), "hotsync")),
                         Source::kLauncher, std::move(alive))
                   : std::make_unique<HotSyncLink>(std::string(folder), Source::kLauncher,
                                                   std::move(alive));
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

HotSyncLink::HotSyncLink(std::unique_ptr<link::DlpTransport> transport, Source source,
                         sys::Fd launcher_fd)
    : transport_(std::move(transport)),
      source_(source),
      watch_(std::make_shared<LauncherWatch>(std::move(launcher_fd))) {}

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
  if ((!folder_ && !transport_) || OperationEnded()) return false;
  if (folder_) CheckFolderUsable();
  if (source_ == Source::kAlways) return true;
  // The environment is inherited by grandchildren and outlives a killed
  // launcher; only the launcher that started us holds the operation for us.
  if (launcher_pid_ <= 0 || ::getppid() != launcher_pid_) return false;
  // A live handheld's operation lasts as long as its launcher's pipe.
  if (transport_) return true;

  try {
    return FolderLock::HeldElsewhere(*folder_);
  } catch (const ConduitError& e) {
    throw NoLink("The handheld folder " + *folder_ +
                 " cannot be locked: " + std::strerror(e.number()));
  }
}

HandheldStore& HotSyncLink::Store() {
  if (!transport_) return Folder();
  CheckNotEnded();
  if (!store_) store_ = std::make_unique<LiveHandheld>(*transport_, watch_);
  return *store_;
}

HandheldFolder& HotSyncLink::Folder() {
  CheckNotEnded();
  CheckFolderUsable();
  // A link has a folder or a transport, never both: with a folder, the store
  // is that folder.
  if (!store_) store_ = std::make_unique<HandheldFolder>(*folder_);
  return static_cast<HandheldFolder&>(*store_);
}

void HotSyncLink::Flush(const Clock& clock) {
  if (!store_ || !store_->HasChanges()) return;
  CheckNotEnded();
  store_->Flush(clock);
}

void HotSyncLink::Close() {
  if (store_ && !OperationEnded()) store_->Close();
}

}  // namespace corvane
