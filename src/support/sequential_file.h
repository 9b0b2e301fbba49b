#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "support/system.h"

namespace corvane {

// A regular file read from its start to its end through a buffer, so that
// many small pieces cost few reads. Failures raise ConduitError (errno).
class SequentialFile {
 public:
  explicit SequentialFile(const std::string& path);
  SequentialFile(const SequentialFile&) = delete;
  SequentialFile& operator=(const SequentialFile&) = delete;

  // The file's size when it was opened.
  size_t size() const { return size_; }
  // Appends the next n bytes to out; a file that ends before them (it shrank
  // while being read) raises EIO.
  void Take(size_t n, std::vector<uint8_t>& out);

 private:
  void Refill();

  std::string path_;
  sys::Fd fd_;
  size_t size_ = 0;
  std::vector<uint8_t> buffer_;
  size_t at_ = 0;  // next unread byte in buffer_
};

}  // namespace corvane
