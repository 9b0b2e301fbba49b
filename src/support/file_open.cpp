#include "support/file_open.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "support/conduit_error.h"

namespace corvane {

const char* FileKind(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISLNK(mode)) return "a symbolic link";
  return "something else";
}

namespace {

ConduitError NotRegular(mode_t mode, const std::string& path) {
  if (S_ISDIR(mode)) return ConduitError::FromErrno(EISDIR, path);
  return ConduitError::FromErrno(EINVAL, path + " is " + FileKind(mode) + ", not a regular file");
}

// Opens without waiting; a failed open is worded by what stands at path when
// that says more than errno (a FIFO without a reader gives ENXIO).
sys::Fd OpenNow(const std::string& path, int flags) {
  try {
    return sys::Open(path, flags | O_NONBLOCK | O_NOCTTY, 0666);
  } catch (const ConduitError& e) {
    struct stat st {};
    if (e.number() == ENXIO && ::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
      throw NotRegular(st.st_mode, path);
    }
    throw;
  }
}

// What stands behind fd, once it is known to be a regular file; the
// non-blocking mode only served the open.
struct stat RegularFile(const sys::Fd& fd, const std::string& path) {
  const struct stat st = sys::FStat(fd, path);
  if (!S_ISREG(st.st_mode)) throw NotRegular(st.st_mode, path);
  const int flags = ::fcntl(fd.get(), F_GETFL);
  if (flags >= 0) ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
  return st;
}

// A new file in the place of a link: whatever takes the name meanwhile is
// not ours to write.
sys::Fd ReplaceLink(const std::string& path, int flags) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) throw ConduitError::FromErrno(errno, path);
  return OpenNow(path, flags | O_EXCL);
}

}  // namespace

sys::Fd OpenFileToRead(const std::string& path, Links links) {
  sys::Fd fd = OpenNow(path, O_RDONLY | (links == Links::kRefuse ? O_NOFOLLOW : 0));
  RegularFile(fd, path);
  return fd;
}

sys::Fd OpenFileToWrite(const std::string& path, WriteStart start) {
  const bool in_place = start == WriteStart::kInPlace;
  const int flags = O_WRONLY | O_NOFOLLOW | (start == WriteStart::kAppend ? O_APPEND : 0) |
                    (in_place ? 0 : O_CREAT);
  sys::Fd fd;
  try {
    fd = OpenNow(path, flags);
  } catch (const ConduitError& e) {
    struct stat st {};
    if (e.number() != ELOOP || in_place || ::lstat(path.c_str(), &st) != 0 ||
        !S_ISLNK(st.st_mode)) {
      throw;
    }
    fd = ReplaceLink(path, flags);
  }
  const struct stat st = RegularFile(fd, path);
  // Another name of the same file may stand anywhere on the file system.
  if (st.st_nlink > 1) {
    if (in_place) {
      throw ConduitError::FromErrno(EMLINK, path + " has other names (hard links)");
    }
    // Closed first, not by the assignment: the new file then takes this
    // descriptor's place, and a process at its descriptor limit cannot be
    // left with the name unlinked and no new file.
    fd.Reset();
    fd = ReplaceLink(path, flags);
    RegularFile(fd, path);
  }
  // Truncated only now that it is known to be a regular file of its own.
  if (start == WriteStart::kTruncate) sys::FTruncate(fd, 0, path);
  return fd;
}

}  // namespace corvane
