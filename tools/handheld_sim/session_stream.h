#pragma once

#include <cstdint>

#include "link/byte_stream.h"

namespace corvane::handheld_sim {

// The line as a session sees it: every byte that crosses it counted each
// way, framing included, and no wait for bytes past the session's deadline,
// whatever the protocol above would wait for.
class SessionStream : public link::ByteStream {
 public:
  SessionStream(link::ByteStream& inner, link::Deadline deadline)
      : inner_(inner), deadline_(deadline) {}

  size_t ReadSome(uint8_t* data, size_t size, link::Deadline deadline) override;
  void Write(const uint8_t* data, size_t size) override;

  uint64_t bytes_in() const { return bytes_in_; }
  uint64_t bytes_out() const { return bytes_out_; }
  // The stack's opening is over: what crossed until now was the opening.
  void MarkOpened() { opening_ = bytes_in_ + bytes_out_; }
  uint64_t opening() const { return opening_; }

 private:
  link::ByteStream& inner_;
  link::Deadline deadline_;
  uint64_t bytes_in_ = 0;
  uint64_t bytes_out_ = 0;
  uint64_t opening_ = 0;
};

}  // namespace corvane::handheld_sim
