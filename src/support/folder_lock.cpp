#include "support/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

#include "support/conduit_error.h"

namespace corvane {
namespace {

// True when taken, false when another process holds it.
bool TryLock(const sys::Fd& fd, const std::string& folder) {
  if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) return true;
  if (errno == EWOULDBLOCK) return false;
  throw ConduitError::FromErrno(errno, folder);
}

}  // namespace

FolderLock::Outcome FolderLock::Hold(const std::string& folder) {
  if (held()) return Outcome::kHeld;
  sys::Fd fd;
  try {
    fd = sys::Open(folder, O_RDONLY | O_DIRECTORY);
  } catch (const ConduitError& e) {
    if (e.number() == ENOENT || e.number() == ENOTDIR) return Outcome::kNoFolder;
    throw;
  }
  if (!TryLock(fd, folder)) return Outcome::kHeldElsewhere;
  fd_ = std::move(fd);
  return Outcome::kHeld;
}

bool FolderLock::HeldElsewhere(const std::string& folder) {
  const sys::Fd fd = sys::Open(folder, O_RDONLY | O_DIRECTORY);
  if (!TryLock(fd, folder)) return true;
  ::flock(fd.get(), LOCK_UN);
  return false;
}

}  // namespace corvane
