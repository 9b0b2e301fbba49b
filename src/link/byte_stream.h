#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "support/system.h"

namespace corvane::link {

using SteadyClock = std::chrono::steady_clock;
// The moment a wait gives up.
using Deadline = SteadyClock::time_point;

// Deadline after the given time from now.
inline Deadline After(std::chrono::milliseconds wait) {
  return SteadyClock::now() + wait;
}

// The connection to the handheld as a stream of bytes: a socket, a tty, or
// a recording in the tests. Failures raise ConduitError: err::kLinkClosed
// when the other end is gone, err::kLinkTimeout when a deadline passes.
class ByteStream {
 public:
  virtual ~ByteStream() = default;

  // Waits until bytes arrive or deadline passes; reads at least one and at
  // most size bytes.
  virtual size_t ReadSome(uint8_t* data, size_t size, Deadline deadline) = 0;
  // Writes every byte.
  virtual void Write(const uint8_t* data, size_t size) = 0;
};

// Reads exactly size bytes, waiting at most until deadline.
void ReadExactly(ByteStream& stream, uint8_t* data, size_t size, Deadline deadline);

// A stream that first gives back bytes already read from another: what was
// read to tell which protocol a handheld speaks.
class PrefixedStream : public ByteStream {
 public:
  PrefixedStream(ByteStream& inner, std::vector<uint8_t> prefix)
      : inner_(inner), prefix_(std::move(prefix)) {}

  size_t ReadSome(uint8_t* data, size_t size, Deadline deadline) override;
  void Write(const uint8_t* data, size_t size) override { inner_.Write(data, size); }

 private:
  ByteStream& inner_;
  std::vector<uint8_t> prefix_;
  size_t at_ = 0;
};

// A stream over a descriptor: a socket, a tty or a pipe. Writing to a peer
// that is gone raises kLinkClosed rather than SIGPIPE.
class FdStream : public ByteStream {
 public:
  // name says what the descriptor is, for messages ("127.0.0.1:14238",
  // "/dev/ttyUSB0").
  FdStream(sys::Fd fd, std::string name);

  size_t ReadSome(uint8_t* data, size_t size, Deadline deadline) override;
  void Write(const uint8_t* data, size_t size) override;

  int fd() const { return fd_.get(); }
  const std::string& name() const { return name_; }

 private:
  sys::Fd fd_;
  std::string name_;
};

}  // namespace corvane::link
