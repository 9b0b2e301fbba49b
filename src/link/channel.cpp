#include "link/channel.h"

#include "support/conduit_error.h"

namespace corvane::link {

void WriteChannelMessage(ByteStream& stream, const Bytes& message) {
  if (message.empty() || message.size() > kMaxChannelMessage) {
    throw ConduitError(err::kLinkMalformed,
                       "A DLP message of " + std::to_string(message.size()) + " bytes");
  }
  Bytes framed(4);
  const uint32_t size = static_cast<uint32_t>(message.size());
  for (int i = 0; i < 4; ++i) framed[i] = static_cast<uint8_t>(size >> (24 - 8 * i));
  framed.insert(framed.end(), message.begin(), message.end());
  stream.Write(framed.data(), framed.size());
}

Bytes ReadChannelMessage(ByteStream& stream, Deadline deadline) {
  uint8_t head[4];
  ReadExactly(stream, head, sizeof head, deadline);
  const uint32_t size = (uint32_t{head[0]} << 24) | (uint32_t{head[1]} << 16) |
                        (uint32_t{head[2]} << 8) | head[3];
  if (size == 0 || size > kMaxChannelMessage) {
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
