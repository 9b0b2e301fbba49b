#include "support/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <random>

#include "support/conduit_error.h"
#include "support/system.h"

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

// The temporary's name, removed however the write ends unless it was kept.
class TemporaryName {
 public:
  explicit TemporaryName(std::string path) : path_(std::move(path)) {}
  ~TemporaryName() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TemporaryName(const TemporaryName&) = delete;
  TemporaryName& operator=(const TemporaryName&) = delete;
  const std::string& path() const { return path_; }
  void Keep() { path_.clear(); }

 private:
  std::string path_;
};

}  // namespace

void SyncFolder(const std::string& folder) {
  const sys::Fd fd = sys::Open(folder, O_RDONLY | O_DIRECTORY);
  // Some file systems cannot sync a folder; the rename itself has happened.
  if (::fsync(fd.get()) != 0 && errno != EINVAL && errno != ENOTSUP) {
    throw ConduitError::FromErrno(errno, folder);
  }
}

bool IsAtomicTemporaryName(const std::string& name) {
  const size_t marker = sizeof(kTempMarker) - 1;
  if (name.size() < 1 + 1 + marker + kTempSuffixLength || name[0] != '.') return false;
  const size_t at = name.size() - kTempSuffixLength - marker;
  return name.compare(at, marker, kTempMarker) == 0;
}

namespace {

// Fills a buffer and writes it to the temporary whenever it is full.
class TemporarySink : public ByteSink {
 public:
  TemporarySink(const sys::Fd& fd, const std::string& path) : fd_(fd), path_(path) {}

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
    sys::WriteAll(fd_, bytes, size, path_);
    total_ += size;
  }

  const sys::Fd& fd_;
  const std::string& path_;
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

  sys::Fd fd;
  std::string name;
  for (int attempt = 0; !fd.valid(); ++attempt) {
    name = folder + "/." + base + kTempMarker + RandomSuffix();
    try {
      // O_EXCL: never a file or link that is already there.
      fd = sys::Open(name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0666);
    } catch (const ConduitError& e) {
      if (e.number() != EEXIST || attempt > 100) throw;
    }
  }
  // Moved, not copied: nothing between the open and here can throw and
  // leave the file behind. Declared after fd, it is unlinked before fd closes.
  TemporaryName temp(std::move(name));
  if (had_old && ::fchmod(fd.get(), old.st_mode & 07777) != 0) {
    throw ConduitError::FromErrno(errno, temp.path());
  }

  TemporarySink sink(fd, temp.path());
  write(sink);
  sink.Flush();
  if (static_cast<size_t>(sys::FStat(fd, temp.path()).st_size) != sink.total()) {
    throw ConduitError::FromErrno(EIO, temp.path());
  }
  sys::FSync(fd, temp.path());
  fd.Close(temp.path());
  if (::rename(temp.path().c_str(), path.c_str()) != 0) {
    throw ConduitError::FromErrno(errno, temp.path());
  }
  temp.Keep();
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
