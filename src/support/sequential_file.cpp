#include "support/sequential_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "support/conduit_error.h"
#include "support/file_open.h"

namespace corvane {
namespace {

constexpr size_t kBufferSize = 64 * 1024;

}  // namespace

SequentialFile::SequentialFile(const std::string& path) : path_(path) {
  // Never waits on a FIFO; only a regular file is read.
  fd_ = OpenFileToRead(path);
  struct stat st {};
  if (::fstat(fd_, &st) != 0) {
    int e = errno;
    ::close(fd_);
    throw ConduitError::FromErrno(e, path);
  }
  size_ = static_cast<size_t>(st.st_size);
  buffer_.reserve(kBufferSize);
}

SequentialFile::~SequentialFile() {
  ::close(fd_);
}

void SequentialFile::Refill() {
  buffer_.resize(kBufferSize);
  at_ = 0;
  for (;;) {
    ssize_t n = ::read(fd_, buffer_.data(), buffer_.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      buffer_.clear();
      throw ConduitError::FromErrno(errno, path_);
    }
    buffer_.resize(static_cast<size_t>(n));
    if (n == 0) throw ConduitError::FromErrno(EIO, path_);
    return;
  }
}

void SequentialFile::Take(size_t n, std::vector<uint8_t>& out) {
  out.reserve(out.size() + n);
  while (n > 0) {
    if (at_ == buffer_.size()) Refill();
    const size_t piece = std::min(n, buffer_.size() - at_);
    out.insert(out.end(), buffer_.begin() + at_, buffer_.begin() + at_ + piece);
    at_ += piece;
    n -= piece;
  }
}

}  // namespace corvane
