#pragma once

#include <chrono>
#include <memory>

#include "link/byte_stream.h"
#include "link/dlp_transport.h"

namespace corvane::link {

// The conduit's way to the live handheld: hotsync holds the connection, and
// the conduit's DLP messages cross to it over a stream socket that hotsync
// hands the conduit, each as a 4-byte big-endian length and the message.
// hotsync carries each request to the handheld, brings back its answer and
// keeps the idle link alive; the channel's end is the end of the HotSync
// operation.

// Writes one message.
void WriteChannelMessage(ByteStream& stream, const Bytes& message);
// Reads one message, waiting at most until deadline; raises kLinkClosed at
// the channel's end (also in the middle of a message) and kLinkMalformed for
// an empty or oversized one.
Bytes ReadChannelMessage(ByteStream& stream, Deadline deadline);

// The conduit's end: a DLP transport whose other side is hotsync.
class ChannelTransport : public DlpTransport {
 public:
  // answer_limit: how long an answer may take; hotsync gives up on a silent
  // handheld well before, so this only guards against a hotsync that hangs.
  explicit ChannelTransport(std::unique_ptr<ByteStream> stream,
                            std::chrono::milliseconds answer_limit = std::chrono::minutes(5));

  Bytes Exchange(const Bytes& request) override;
  // hotsync keeps the link alive; nothing crosses the channel for it.
  void Tickle() override {}
  std::chrono::milliseconds TickleInterval() const override { return std::chrono::hours(1); }

 private:
  std::unique_ptr<ByteStream> stream_;
  std::chrono::milliseconds answer_limit_;
};

}  // namespace corvane::link
