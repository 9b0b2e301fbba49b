#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>

namespace corvane::sys {

// The thin layer between the program and the system calls it makes: a file
// descriptor that closes itself, and calls that retry what an interruption
// cut short and raise ConduitError (errno, naming the file) instead of
// returning -1. Every descriptor is opened close-on-exec: nothing of ours
// leaks into a program we start unless it is handed over on purpose.

// A file descriptor with one owner: closed when the owner goes, moved but
// never copied.
class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() { Reset(); }
  Fd(Fd&& other) noexcept : fd_(other.Release()) {}
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Gives the descriptor up without closing it.
  int Release() { return std::exchange(fd_, -1); }
  // Closes what it holds, ignoring the outcome, and takes fd.
  void Reset(int fd = -1);
  // Closes now; a failed close (some file systems report a failed write
  // only there) raises ConduitError (errno, what).
  void Close(const std::string& what);

 private:
  int fd_ = -1;
};

// open(2), close-on-exec; raises ConduitError (errno, path).
Fd Open(const std::string& path, int flags, mode_t mode = 0);

// fstat, stat and lstat; raise ConduitError (errno, path).
struct stat FStat(const Fd& fd, const std::string& path);
struct stat Stat(const std::string& path);
struct stat LStat(const std::string& path);
// The same, or nothing when nothing stands at path (ENOENT, ENOTDIR).
std::optional<struct stat> StatIfAny(const std::string& path);
std::optional<struct stat> LStatIfAny(const std::string& path);

// read(2), retried when interrupted: the bytes read, 0 at the end of the
// file. Raises ConduitError (errno, what).
size_t Read(const Fd& fd, void* data, size_t size, const std::string& what);
// Reads until size bytes are in or the file ends; the bytes read.
size_t ReadFull(const Fd& fd, void* data, size_t size, const std::string& what);
// Writes every byte, from the file's position or from offset; a write that
// takes nothing raises ENOSPC.
void WriteAll(const Fd& fd, const void* data, size_t size, const std::string& what);
void WriteAllAt(const Fd& fd, const void* data, size_t size, off_t offset, const std::string& what);
void FSync(const Fd& fd, const std::string& what);
void FTruncate(const Fd& fd, off_t size, const std::string& what);

// A pipe and a pair of connected stream sockets, both ends close-on-exec.
std::pair<Fd, Fd> Pipe();
std::pair<Fd, Fd> SocketPair();

// Waits until fd is ready for events (poll's), or until deadline (max():
// for ever); false when the deadline passed. A failed poll raises
// ConduitError (errno, what).
bool WaitFor(int fd, short events, std::chrono::steady_clock::time_point deadline,
             const std::string& what);

}  // namespace corvane::sys
