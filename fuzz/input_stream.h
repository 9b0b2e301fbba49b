#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "link/byte_stream.h"
#include "support/conduit_error.h"

namespace corvane::fuzz {

// A fuzz input as the bytes a desktop receives, in short reads as a socket
// gives them; what is written goes nowhere. The end of the input is the
// other end hanging up.
class InputStream : public link::ByteStream {
 public:
  InputStream(const uint8_t* data, size_t size, size_t piece)
      : data_(data), size_(size), piece_(piece) {}

  size_t ReadSome(uint8_t* data, size_t size, link::Deadline) override {
    if (at_ == size_) throw ConduitError(err::kLinkClosed, "the input ends");
    const size_t n = std::min({size, size_ - at_, piece_});
    std::copy(data_ + at_, data_ + at_ + n, data);
    at_ += n;
    return n;
  }
  void Write(const uint8_t*, size_t) override {}

 private:
  const uint8_t* data_;
  size_t size_;
  size_t piece_;
  size_t at_ = 0;
};

}  // namespace corvane::fuzz
