#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "link/byte_stream.h"
#include "support/bytes.h"

namespace corvane::link {

// Far above any DLP message (a record of under 64 KiB and its framing): a
// claimed length beyond it is refused on every stack before anything is
// allocated for it.
inline constexpr uint32_t kMaxDlpMessage = 1u << 20;

// The desktop's end of one HotSync session: whole DLP messages carried over
// one of the two stacks (NetSync, or SLP with PADP). Failures raise
// ConduitError err::kLinkClosed, err::kLinkTimeout or err::kLinkMalformed,
// and each of them ends the session.
class DlpTransport {
 public:
  virtual ~DlpTransport() = default;

  // Sends one DLP request and returns the handheld's answer to it.
  virtual Bytes Exchange(const Bytes& request) = 0;
  // Keeps an idle link alive without a DLP request: what the stack sends
  // when nothing else is due.
  virtual void Tickle() = 0;
  // How often an idle link needs a tickle.
  virtual std::chrono::milliseconds TickleInterval() const = 0;
};

// The handheld's end, as the simulated handheld plays it.
class DlpHandheldTransport {
 public:
  virtual ~DlpHandheldTransport() = default;

  // The desktop's next request; tickles are taken in passing. Raises
  // kLinkClosed when the desktop has gone, kLinkTimeout after deadline.
  virtual Bytes NextRequest(Deadline deadline) = 0;
  // Answers the request last returned by NextRequest.
  virtual void Answer(const Bytes& response) = 0;
};

}  // namespace corvane::link
