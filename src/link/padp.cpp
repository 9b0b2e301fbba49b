#include "link/padp.h"

#include <algorithm>
#include <string>

#include "support/conduit_error.h"

namespace corvane::link {
namespace {

// A peer that is answered in turn never has more than one message waiting;
// more than this is a flood, not a conversation.
constexpr size_t kMaxWaitingMessages = 4;

ConduitError Malformed(const std::string& what) {
  return ConduitError(err::kLinkMalformed, "The handheld broke the PADP protocol: " + what);
}

bool ValueNeedsLongForm(uint32_t value) {
  return value > 0xFFFF;
}

}  // namespace

PadpPacket ParsePadp(std::span<const uint8_t> body) {
  if (body.size() < 4) throw Malformed("a packet of " + std::to_string(body.size()) + " bytes");
  PadpPacket packet;
  packet.type = body[0];
  packet.flags = body[1];
  if (packet.type != kPadpData && packet.type != kPadpAck && packet.type != kPadpTickle &&
      packet.type != kPadpAbort) {
    throw Malformed("packet type " + std::to_string(packet.type));
  }
  size_t header = 4;
  if (packet.flags & kPadpLongForm) {
    if (body.size() < 6) throw Malformed("a long-form packet of " + std::to_string(body.size()));
    header = 6;
    packet.size = static_cast<uint32_t>(body[2]) << 24 | static_cast<uint32_t>(body[3]) << 16 |
                  static_cast<uint32_t>(body[4]) << 8 | body[5];
  } else {
    packet.size = static_cast<uint32_t>(body[2]) << 8 | body[3];
  }
  if (packet.type == kPadpData && body.size() - header > kPadpMaxFragment) {
    throw Malformed("a fragment of " + std::to_string(body.size() - header) + " bytes");
  }
  packet.data.assign(body.begin() + static_cast<ptrdiff_t>(header), body.end());
  return packet;
}

Bytes EncodePadp(const PadpPacket& packet) {
  Bytes out = {packet.type, packet.flags};
  if (packet.flags & kPadpLongForm) {
    out.push_back(static_cast<uint8_t>(packet.size >> 24));
    out.push_back(static_cast<uint8_t>(packet.size >> 16));
  } else if (ValueNeedsLongForm(packet.size)) {
    throw ConduitError(err::kBadArgument,
                       "PADP size " + std::to_string(packet.size) + " needs the long form");
  }
  out.push_back(static_cast<uint8_t>(packet.size >> 8));
  out.push_back(static_cast<uint8_t>(packet.size));
  out.insert(out.end(), packet.data.begin(), packet.data.end());
  return out;
}

PadpLink::PadpLink(ByteStream& stream, PadpTimings timings) : stream_(stream), timings_(timings) {}

void PadpLink::SendPacket(const PadpPacket& packet, uint8_t xid) {
  const Bytes bytes = EncodeSlp({kSlpDlpSocket, kSlpDlpSocket, kSlpPadp, xid, EncodePadp(packet)});
  stream_.Write(bytes.data(), bytes.size());
}

void PadpLink::Send(const Bytes& message, uint8_t xid) {
  const bool long_form = sizes_ == PadpSizes::kLong || (sizes_ == PadpSizes::kLongWhenNeeded &&
                                                        ValueNeedsLongForm(message.size()));
  if ((!long_form && ValueNeedsLongForm(message.size())) || message.size() > kMaxDlpMessage) {
    throw ConduitError(err::kBadArgument, "A message of " + std::to_string(message.size()) +
                                              " bytes does not fit this PADP link");
  }
  size_t offset = 0;
  do {
    const size_t n = std::min(kPadpMaxFragment, message.size() - offset);
    PadpPacket packet{kPadpData, static_cast<uint8_t>(long_form ? kPadpLongForm : 0),
                      static_cast<uint32_t>(offset == 0 ? message.size() : offset),
                      Bytes(message.begin() + static_cast<ptrdiff_t>(offset),
                            message.begin() + static_cast<ptrdiff_t>(offset + n))};
    if (offset == 0) packet.flags |= kPadpFirst;
    if (offset + n == message.size()) packet.flags |= kPadpLast;
    awaited_ = Awaited{xid, packet.size, (packet.flags & kPadpLast) != 0, false};
    for (int attempt = 0; !awaited_->acked; ++attempt) {
      if (attempt > timings_.retries) {
        awaited_.reset();
        throw ConduitError(err::kLinkTimeout, "The handheld did not acknowledge PADP packet " +
                                                  std::to_string(xid) + " after " +
                                                  std::to_string(attempt) + " tries");
      }
      SendPacket(packet, xid);
      const Deadline deadline = After(timings_.ack_wait);
      try {
        while (!awaited_->acked) Pump(deadline);
      } catch (const ConduitError& e) {
        if (e.number() != err::kLinkTimeout) throw;
      }
    }
    awaited_.reset();
    offset += n;
  } while (offset < message.size());
}

PadpMessage PadpLink::Receive(Deadline deadline) {
  while (inbox_.empty()) Pump(deadline);
  PadpMessage message = std::move(inbox_.front());
  inbox_.pop_front();
  return message;
}

PadpMessage PadpLink::ReceiveWithin(std::chrono::milliseconds silence) {
  while (inbox_.empty()) Pump(After(silence));
  return Receive(Deadline::max());
}

void PadpLink::SendTickle(uint8_t xid) {
  const bool long_form = sizes_ == PadpSizes::kLong;
  SendPacket({kPadpTickle,
              static_cast<uint8_t>(kPadpFirst | kPadpLast | (long_form ? kPadpLongForm : 0)),
              0,
              {}},
             xid);
}

void PadpLink::AcknowledgeUntil(Deadline deadline) {
  try {
    for (;;) Pump(deadline);
  } catch (const ConduitError& e) {
    if (e.number() != err::kLinkTimeout && e.number() != err::kLinkClosed) throw;
  }
  inbox_.clear();
}

void PadpLink::Pump(Deadline deadline) {
  uint8_t buffer[4096];
  const size_t n = stream_.ReadSome(buffer, sizeof buffer, deadline);
  decoder_.Feed({buffer, n});
  while (decoder_.HasPacket()) Handle(decoder_.TakePacket());
}

void PadpLink::Handle(const SlpPacket& slp) {
  // Loop-back tests and the debugger's packets are no business of this link.
  if (slp.type != kSlpPadp || slp.destination != kSlpDlpSocket) return;
  PadpPacket packet = ParsePadp(slp.body);
  switch (packet.type) {
    case kPadpTickle:
      return;
    case kPadpAbort:
      throw ConduitError(err::kLinkClosed, "The handheld broke off the connection (PADP abort)");
    case kPadpAck:
      if (awaited_ && slp.xid == awaited_->xid && packet.size == awaited_->size) {
        if (packet.flags & kPadpMemoryError) {
          throw ConduitError(err::kLinkClosed, "The handheld has no memory for a message of " +
                                                   std::to_string(packet.size) + " bytes");
        }
        awaited_->acked = true;
      }
      return;
  }
  const bool repeat = IsRepeat(slp.xid, packet);
  const bool long_ack = sizes_ == PadpSizes::kLong || ValueNeedsLongForm(packet.size);
  const Bytes ack = EncodeSlp(
      {slp.source, slp.destination, kSlpPadp, slp.xid,
       EncodePadp({kPadpAck,
                   static_cast<uint8_t>(kPadpFirst | kPadpLast | (long_ack ? kPadpLongForm : 0)),
                   packet.size, ack_trailer_})});
  stream_.Write(ack.data(), ack.size());
  if (repeat) return;
  if (awaited_ && awaited_->last && awaited_->xid == slp.xid) awaited_->acked = true;
  Take(slp.xid, std::move(packet));
}

bool PadpLink::IsRepeat(uint8_t xid, const PadpPacket& packet) const {
  const bool ours = partial_ && partial_->xid == xid;
  if (packet.flags & kPadpFirst) {
    if (ours || delivered_xid_ == xid) return true;
    const bool complete = packet.data.size() == packet.size;
    if (packet.size > kMaxDlpMessage || packet.data.size() > packet.size ||
        complete != ((packet.flags & kPadpLast) != 0)) {
      throw Malformed("a first fragment of " + std::to_string(packet.data.size()) +
                      " bytes for a message of " + std::to_string(packet.size));
    }
    if (inbox_.size() >= kMaxWaitingMessages) throw Malformed("messages nobody asked for");
    return false;
  }
  if (!ours) {
    if (delivered_xid_ == xid) return true;
    throw Malformed("a fragment of no message (transaction " + std::to_string(xid) + ")");
  }
  const size_t received = partial_->data.size();
  if (packet.size < received) return true;
  const size_t end = received + packet.data.size();
  if (packet.size > received || end > partial_->total ||
      (end == partial_->total) != ((packet.flags & kPadpLast) != 0)) {
    throw Malformed("a fragment at " + std::to_string(packet.size) + " of " +
                    std::to_string(packet.data.size()) + " bytes after " +
                    std::to_string(received) + " of " + std::to_string(partial_->total));
  }
  return false;
}

void PadpLink::Take(uint8_t xid, PadpPacket packet) {
  if (packet.flags & kPadpFirst) {
    partial_ = Partial{xid, packet.size, std::move(packet.data)};
  } else {
    partial_->data.insert(partial_->data.end(), packet.data.begin(), packet.data.end());
  }
  if (partial_->data.size() < partial_->total) return;
  inbox_.push_back({xid, std::move(partial_->data)});
  partial_.reset();
  delivered_xid_ = xid;
}

}  // namespace corvane::link
