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

// Keeps fd when it is a regular file, else closes it and raises. The
// non-blocking mode only served the open.
int KeepRegularFile(int fd, const std::string& path) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const int e = errno;
    ::close(fd);
    throw ConduitError::FromErrno(e, path);
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    throw NotRegular(st.st_mode, path);
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

// A failed open, worded by what stands at path when that says more than
// errno (a FIFO without a reader gives ENXIO).
[[noreturn]] void OpenFailed(int error_number, const std::string& path) {
  struct stat st {};
  if (error_number == ENXIO && ::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    throw NotRegular(st.st_mode, path);
  }
  throw ConduitError::FromErrno(error_number, path);
}

}  // namespace

int OpenFileToRead(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) OpenFailed(errno, path);
  return KeepRegularFile(fd, path);
}

int OpenFileToWrite(const std::string& path, WriteStart start) {
  const int flags = O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC |
                    (start == WriteStart::kAppend ? O_APPEND : 0) |
                    (start == WriteStart::kInPlace ? 0 : O_CREAT);
  int fd = ::open(path.c_str(), flags, 0666);
  struct stat st {};
  if (fd < 0 && errno == ELOOP && start != WriteStart::kInPlace &&
      ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) OpenFailed(errno, path);
    // Whatever takes the name meanwhile is not ours to write.
    fd = ::open(path.c_str(), flags | O_EXCL, 0666);
  }
  if (fd < 0) OpenFailed(errno, path);
  fd = KeepRegularFile(fd, path);
  // Truncated only now that it is known to be a regular file.
  if (start == WriteStart::kTruncate && ::ftruncate(fd, 0) != 0) {
    const int e = errno;
    ::close(fd);
    throw ConduitError::FromErrno(e, path);
  }
  return fd;
}

}  // namespace corvane
