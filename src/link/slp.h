#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>

#include "link/dlp_transport.h"

namespace corvane::link {

// SLP, the serial link's framing: every packet starts with the signature
// BE EF ED, and carries a header checksum and a CRC so that a receiver can
// find packets again after line noise.
inline constexpr uint8_t kSlpDlpSocket = 3;  // the desktop link's socket on both ends
inline constexpr uint8_t kSlpSystem = 0;     // debugger and remote procedure calls
inline constexpr uint8_t kSlpPadp = 2;
inline constexpr uint8_t kSlpLoopback = 3;  // line tests a handheld sends before its wakeup
inline constexpr size_t kSlpHeaderSize = 10;
inline constexpr size_t kSlpCrcSize = 2;
inline constexpr size_t kSlpMaxBody = 0xFFFF;
// The largest body a handheld sends: a PADP fragment of 1024 bytes behind
// its 6-byte long header. A header claiming more is taken for noise: were it
// believed, the packets behind it would wait for that many bytes, and each
// such header would cost a CRC over them.
inline constexpr size_t kSlpLargestReceived = 1030;

struct SlpPacket {
  uint8_t destination = kSlpDlpSocket;
  uint8_t source = kSlpDlpSocket;
  uint8_t type = kSlpPadp;
  uint8_t xid = 0;  // transaction id
  Bytes body;

  bool operator==(const SlpPacket&) const = default;
};

// CRC-16 (CCITT polynomial 0x1021, starting from zero), as SLP computes it
// over header and body.
uint16_t SlpCrc16(std::span<const uint8_t> bytes);

// The packet's bytes on the wire. Raises ConduitError err::kBadArgument for
// a body larger than the 16-bit size field holds.
Bytes EncodeSlp(const SlpPacket& packet);

// Takes the line's bytes as they arrive, in any split, and gives back the
// packets whose header checksum and CRC hold. Anything else (noise, a
// damaged or cut-off packet) is passed over by looking for the next
// signature; a header's size is believed only once its checksum matched and
// only up to kSlpLargestReceived, so at most one packet's worth of bytes is
// ever held.
class SlpDecoder {
 public:
  void Feed(std::span<const uint8_t> bytes);
  // Packets completed by the bytes fed so far, oldest first.
  bool HasPacket() const { return !ready_.empty(); }
  SlpPacket TakePacket();
  // Bytes passed over since the start, for messages.
  size_t skipped() const { return skipped_; }

 private:
  void Scan();

  Bytes buffer_;
  size_t start_ = 0;  // first byte of buffer_ not yet decided on
  std::deque<SlpPacket> ready_;
  size_t skipped_ = 0;
};

}  // namespace corvane::link
