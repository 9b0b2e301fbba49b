#include "support/system.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "support/conduit_error.h"

namespace corvane::sys {

void Fd::Reset(int fd) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

void Fd::Close(const std::string& what) {
  const int fd = Release();
  if (fd >= 0 && ::close(fd) != 0) throw ConduitError::FromErrno(errno, what);
}

Fd Open(const std::string& path, int flags, mode_t mode) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) throw ConduitError::FromErrno(errno, path);
  return Fd(fd);
}

struct stat FStat(const Fd& fd, const std::string& path) {
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) throw ConduitError::FromErrno(errno, path);
  return st;
}

namespace {

template <typename Call>
std::optional<struct stat> StatWith(Call call, const std::string& path) {
  struct stat st {};
  if (call(path.c_str(), &st) == 0) return st;
  if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
  throw ConduitError::FromErrno(errno, path);
}

}  // namespace

std::optional<struct stat> StatIfAny(const std::string& path) {
  return StatWith(::stat, path);
}

std::optional<struct stat> LStatIfAny(const std::string& path) {
  return StatWith(::lstat, path);
}

struct stat Stat(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) throw ConduitError::FromErrno(errno, path);
  return st;
}

struct stat LStat(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) throw ConduitError::FromErrno(errno, path);
  return st;
}

size_t Read(const Fd& fd, void* data, size_t size, const std::string& what) {
  for (;;) {
    const ssize_t n = ::read(fd.get(), data, size);
    if (n >= 0) return static_cast<size_t>(n);
    if (errno != EINTR) throw ConduitError::FromErrno(errno, what);
  }
}

size_t ReadFull(const Fd& fd, void* data, size_t size, const std::string& what) {
  size_t done = 0;
  while (done < size) {
    const size_t n = Read(fd, static_cast<char*>(data) + done, size - done, what);
    if (n == 0) break;
    done += n;
  }
  return done;
}

namespace {

template <typename Call>
void WriteEvery(const void* data, size_t size, const std::string& what, Call call) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = call(static_cast<const char*>(data) + done, size - done, done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw ConduitError::FromErrno(errno, what);
    if (n == 0) throw ConduitError::FromErrno(ENOSPC, what);
    done += static_cast<size_t>(n);
  }
}

}  // namespace

void WriteAll(const Fd& fd, const void* data, size_t size, const std::string& what) {
  WriteEvery(data, size, what,
             [&](const char* p, size_t n, size_t) { return ::write(fd.get(), p, n); });
}

void WriteAllAt(const Fd& fd, const void* data, size_t size, off_t offset,
                const std::string& what) {
  WriteEvery(data, size, what, [&](const char* p, size_t n, size_t done) {
    return ::pwrite(fd.get(), p, n, offset + static_cast<off_t>(done));
  });
}

void FSync(const Fd& fd, const std::string& what) {
  if (::fsync(fd.get()) != 0) throw ConduitError::FromErrno(errno, what);
}

void FTruncate(const Fd& fd, off_t size, const std::string& what) {
  if (::ftruncate(fd.get(), size) != 0) throw ConduitError::FromErrno(errno, what);
}

std::pair<Fd, Fd> Pipe() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) throw ConduitError::FromErrno(errno, "pipe");
  return {Fd(fds[0]), Fd(fds[1])};
}

std::pair<Fd, Fd> SocketPair() {
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
    throw ConduitError::FromErrno(errno, "socketpair");
  }
  return {Fd(fds[0]), Fd(fds[1])};
}

bool WaitFor(int fd, short events, std::chrono::steady_clock::time_point deadline,
             const std::string& what) {
  const bool forever = deadline == std::chrono::steady_clock::time_point::max();
  for (;;) {
    int wait = -1;
    if (!forever) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      wait = static_cast<int>(std::min<long long>(left.count(), 60000));
    }
    pollfd p{fd, events, 0};
    const int ready = ::poll(&p, 1, wait);
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) throw ConduitError::FromErrno(errno, what);
  }
}

}  // namespace corvane::sys
