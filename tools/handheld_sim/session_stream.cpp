#include "handheld_sim/session_stream.h"

#include <algorithm>

namespace corvane::handheld_sim {

size_t SessionStream::ReadSome(uint8_t* data, size_t size, link::Deadline deadline) {
  const size_t n = inner_.ReadSome(data, size, std::min(deadline, deadline_));
  bytes_in_ += n;
  return n;
}

void SessionStream::Write(const uint8_t* data, size_t size) {
  inner_.Write(data, size);
  bytes_out_ += size;
}

}  // namespace corvane::handheld_sim
