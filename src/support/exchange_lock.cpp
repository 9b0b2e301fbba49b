#include "support/exchange_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "support/conduit_error.h"

namespace corvane {

ExchangeLock::~ExchangeLock() {
  if (fd_ >= 0) ::close(fd_);
}

ExchangeLock::Outcome ExchangeLock::Hold(const std::string& folder) {
  if (fd_ >= 0) return Outcome::kHeld;
  // Close-on-exec: a lock inherited by another program would outlive us.
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return Outcome::kNoFolder;
    throw ConduitError::FromErrno(errno, folder);
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int e = errno;
    ::close(fd);
    if (e == EWOULDBLOCK) return Outcome::kHeldElsewhere;
    throw ConduitError::FromErrno(e, folder);
  }
  fd_ = fd;
  return Outcome::kHeld;
}

}  // namespace corvane
