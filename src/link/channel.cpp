#include "link/channel.h"

#include "link/wire_bytes.h"
#include "support/conduit_error.h"

namespace corvane::link {

void WriteChannelMessage(ByteStream& stream, const Bytes& message) {
  if (message.empty() || message.size() > kMaxDlpMessage) {
    throw ConduitError(err::kLinkMalformed,
                       "A DLP message of " + std::to_string(message.size()) + " bytes");
  }
  WireWriter framed(4 + message.size());
  framed.U32(static_cast<uint32_t>(message.size())).Append(message);
  stream.Write(framed.bytes().data(), framed.bytes().size());
}

Bytes ReadChannelMessage(ByteStream& stream, Deadline deadline) {
  uint8_t head[4];
  ReadExactly(stream, head, sizeof head, deadline);
  const uint32_t size = GetU32(head);
  if (size == 0 || size > kMaxDlpMessage) {
    throw ConduitError(err::kLinkMalformed,
                       "The DLP channel announces a message of " + std::to_string(size) + " bytes");
  }
  Bytes message(size);
  ReadExactly(stream, message.data(), message.size(), deadline);
  return message;
}

ChannelTransport::ChannelTransport(std::unique_ptr<ByteStream> stream,
                                   std::chrono::milliseconds answer_limit)
    : stream_(std::move(stream)), answer_limit_(answer_limit) {}

Bytes ChannelTransport::Exchange(const Bytes& request) {
  WriteChannelMessage(*stream_, request);
  return ReadChannelMessage(*stream_, After(answer_limit_));
}

}  // namespace corvane::link
