#include "support/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <random>

#include "support/conduit_error.h"

namespace corvane {
namespace {

constexpr const char kTempMarker[] = ".tmp-";
constexpr size_t kTempSuffixLength = 6;

std::string RandomSuffix() {
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  static thread_local std::mt19937 engine{std::random_device{}()};
  std::uniform_int_distribution<size_t> pick(0, sizeof(kChars) - 2);
  std::string s;
  for (size_t i = 0; i < kTempSuffixLength; ++i) s += kChars[pick(engine)];
  return s;
}

// Closes the descriptor and removes the temporary unless released.
class PendingTemporary {
 public:
  PendingTemporary(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~PendingTemporary() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  // Closes the descriptor, checking the result.
  void Close() {
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) Fail();
  }
  void Keep() { path_.clear(); }
  [[noreturn]] void Fail() const { throw ConduitError::FromErrno(errno, path_); }

 private:
  int fd_;
  std::string path_;
};

}  // namespace

void SyncFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) throw ConduitError::FromErrno(errno, folder);
  int rc = ::fsync(fd);
  int e = errno;
  ::close(fd);
  // Some file systems cannot sync a folder; the rename itself has happened.
  if (rc != 0 && e != EINVAL && e != ENOTSUP) throw ConduitError::FromErrno(e, folder);
}

bool IsAtomicTemporaryName(const std::string& name) {
  const size_t marker = sizeof(kTempMarker) - 1;
  if (name.size() < 1 + 1 + marker + kTempSuffixLength || name[0] != '.') return false;
  const size_t at = name.size() - kTempSuffixLength - marker;
  return name.compare(at, marker, kTempMarker) == 0;
}

namespace {

// Fills a buffer and writes it to the temporary whenever it is full; a write
// that goes wrong fails the temporary.
class TemporarySink : public ByteSink {
 public:
  explicit TemporarySink(const PendingTemporary& pending) : pending_(pending) {}

  void Write(const uint8_t* data, size_t size) override {
    if (used_ + size > kBufferSize) Flush();
    // Large pieces skip the buffer rather than pass through it.
    if (size >= kBufferSize) {
      WriteOut(data, size);
      return;
    }
    std::copy(data, data + size, buffer_.get() + used_);
    used_ += size;
  }

  void Flush() {
    WriteOut(buffer_.get(), used_);
    used_ = 0;
  }

  size_t total() const { return total_; }

 private:
  static constexpr size_t kBufferSize = 64 * 1024;

  void WriteOut(const uint8_t* bytes, size_t size) {
    size_t done = 0;
    while (done < size) {
      ssize_t n = ::write(pending_.fd(), bytes + done, size - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) pending_.Fail();
      if (n == 0) {
        errno = EIO;
        pending_.Fail();
      }
      done += static_cast<size_t>(n);
    }
    total_ += size;
  }

  const PendingTemporary& pending_;
  std::unique_ptr<uint8_t[]> buffer_ = std::make_unique<uint8_t[]>(kBufferSize);
  size_t used_ = 0;
  size_t total_ = 0;
};

void WriteThroughTemporary(const std::string& path, const std::function<void(ByteSink&)>& write) {
  const std::filesystem::path target(path);
  std::string folder = target.parent_path().string();
  if (folder.empty()) folder = ".";
  const std::string base = target.filename().string();

  // A link in the file's place is replaced like a file, but its mode (0777)
  // is no file's mode to keep.
  struct stat old {};
  const bool had_old = ::lstat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode);

  int fd = -1;
  std::string temp;
  for (int attempt = 0; fd < 0; ++attempt) {
    temp = folder + "/." + base + kTempMarker + RandomSuffix();
    // O_EXCL: never a file or link that is already there.
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && (errno != EEXIST || attempt > 100)) throw ConduitError::FromErrno(errno, temp);
  }
  PendingTemporary pending(fd, temp);
  if (had_old && ::fchmod(fd, old.st_mode & 07777) != 0) pending.Fail();

  TemporarySink sink(pending);
  write(sink);
  sink.Flush();
  struct stat written {};
  if (::fstat(fd, &written) != 0) pending.Fail();
  if (static_cast<size_t>(written.st_size) != sink.total()) {
    errno = EIO;
    pending.Fail();
  }
  if (::fsync(fd) != 0) pending.Fail();
  pending.Close();
  if (::rename(temp.c_str(), path.c_str()) != 0) pending.Fail();
  pending.Keep();
  SyncFolder(folder);
}

}  // namespace

void WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& data) {
  WriteThroughTemporary(path, [&](ByteSink& out) { out.Write(data); });
}

void WriteFileAtomically(const std::string& path, const std::string& data) {
  WriteThroughTemporary(path, [&](ByteSink& out) {
    out.Write(reinterpret_cast<const uint8_t*>(data.data()), data.size());
  });
}

void WriteFileAtomically(const std::string& path, const std::function<void(ByteSink&)>& write) {
  WriteThroughTemporary(path, write);
}

int RemoveStaleTemporaries(const std::string& folder) {
  int removed = 0;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!IsAtomicTemporaryName(name)) continue;
    std::error_code type_ec;
    if (!it->is_regular_file(type_ec)) continue;
    if (std::filesystem::remove(it->path(), type_ec)) ++removed;
  }
  return removed;
}

}  // namespace corvane
