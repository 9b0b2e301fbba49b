#include "support/sequential_file.h"

#include <algorithm>
#include <cerrno>

#include "support/conduit_error.h"
#include "support/file_open.h"

namespace corvane {
namespace {

constexpr size_t kBufferSize = 64 * 1024;

}  // namespace

SequentialFile::SequentialFile(const std::string& path)
    // Never waits on a FIFO; only a regular file is read.
    : path_(path), fd_(OpenFileToRead(path)) {
  size_ = static_cast<size_t>(sys::FStat(fd_, path).st_size);
  buffer_.reserve(kBufferSize);
}

void SequentialFile::Refill() {
  buffer_.resize(kBufferSize);
  at_ = 0;
  size_t n = 0;
  try {
    n = sys::Read(fd_, buffer_.data(), buffer_.size(), path_);
  } catch (const ConduitError&) {
    buffer_.clear();  // nothing of a failed read may be handed out
    throw;
  }
  buffer_.resize(n);
  if (n == 0) throw ConduitError::FromErrno(EIO, path_);
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
