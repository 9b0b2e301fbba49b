#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>

#include "link/byte_stream.h"
#include "link/dlp_transport.h"
#include "link/slp.h"

namespace corvane::link {

// PADP, carried in SLP packets: it cuts a message into fragments of at most
// 1024 bytes and makes the serial link reliable, each data packet being
// acknowledged and sent again until it is.
inline constexpr uint8_t kPadpData = 0x01;
inline constexpr uint8_t kPadpAck = 0x02;
inline constexpr uint8_t kPadpTickle = 0x04;  // keeps an idle link alive; never acknowledged
inline constexpr uint8_t kPadpAbort = 0x08;
inline constexpr uint8_t kPadpFirst = 0x80;
inline constexpr uint8_t kPadpLast = 0x40;
inline constexpr uint8_t kPadpMemoryError = 0x20;  // in an ack: the message does not fit
inline constexpr uint8_t kPadpLongForm = 0x10;     // the size field has 4 bytes, not 2
inline constexpr size_t kPadpMaxFragment = 1024;

struct PadpPacket {
  uint8_t type = kPadpData;
  uint8_t flags = 0;
  // Data: the message's size in its first fragment, the fragment's offset in
  // the others. Ack: the size field of the packet acknowledged.
  uint32_t size = 0;
  // A data packet's fragment; after an ack, bytes some handhelds add.
  Bytes data;

  bool operator==(const PadpPacket&) const = default;
};

// An SLP body as a PADP packet. The long-form flag of each packet says how
// wide its size field is: a handheld may use 4 bytes while the desktop
// keeps 2. Raises ConduitError err::kLinkMalformed for a body too short for
// its header, an unknown type, or a fragment over 1024 bytes.
PadpPacket ParsePadp(std::span<const uint8_t> body);
// The SLP body of a packet, its size field as wide as its long-form flag
// says. Raises err::kBadArgument for a size that does not fit 2 bytes.
Bytes EncodePadp(const PadpPacket& packet);

// How wide this end writes size fields.
enum class PadpSizes {
  kShort,           // always 2 bytes: before long headers are agreed
  kLongWhenNeeded,  // 2 bytes while the value fits, as the desktop does
  kLong,            // always 4 bytes, as a handheld does once agreed
};

struct PadpTimings {
  std::chrono::milliseconds ack_wait{2000};  // per data packet sent
  int retries = 10;                          // sends after the first before giving up
};

struct PadpMessage {
  uint8_t xid = 0;
  Bytes data;
};

// One end of a PADP link over a byte stream. Every data packet received is
// acknowledged, each copy of a repeated one too, but a message is delivered
// once: a copy of the message last delivered, or of a fragment already
// taken, is passed over. Failures raise ConduitError: err::kLinkTimeout,
// err::kLinkClosed (also when the other end aborts) or err::kLinkMalformed.
class PadpLink {
 public:
  explicit PadpLink(ByteStream& stream, PadpTimings timings = {});

  void set_sizes(PadpSizes sizes) { sizes_ = sizes; }
  // Bytes added to each acknowledgement this end sends.
  void set_ack_trailer(Bytes trailer) { ack_trailer_ = std::move(trailer); }

  // Sends message in fragments, each waiting for its ack (data that arrives
  // meanwhile is taken as usual). An answer carrying xid also acknowledges
  // the last fragment, since its ack may have been lost.
  void Send(const Bytes& message, uint8_t xid);
  // The next message; waits until deadline, or while the line is never
  // silent for longer than silence.
  PadpMessage Receive(Deadline deadline);
  PadpMessage ReceiveWithin(std::chrono::milliseconds silence);
  void SendTickle(uint8_t xid);
  // Acknowledges whatever still arrives until deadline or the line's end;
  // messages that arrive are dropped.
  void AcknowledgeUntil(Deadline deadline);

 private:
  struct Awaited {
    uint8_t xid;
    uint32_t size;
    bool last;
    bool acked;
  };
  struct Partial {
    uint8_t xid;
    uint32_t total;
    Bytes data;
  };

  void SendPacket(const PadpPacket& packet, uint8_t xid);
  void Pump(Deadline deadline);
  void Handle(const SlpPacket& packet);
  // Whether a data packet is a copy of what was taken already; raises
  // kLinkMalformed for one that fits no message.
  bool IsRepeat(uint8_t xid, const PadpPacket& packet) const;
  void Take(uint8_t xid, PadpPacket packet);

  ByteStream& stream_;
  PadpTimings timings_;
  PadpSizes sizes_ = PadpSizes::kShort;
  Bytes ack_trailer_;
  SlpDecoder decoder_;
  std::deque<PadpMessage> inbox_;
  std::optional<Partial> partial_;
  std::optional<uint8_t> delivered_xid_;
  std::optional<Awaited> awaited_;
};

}  // namespace corvane::link
