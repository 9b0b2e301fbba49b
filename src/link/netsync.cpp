#include "link/netsync.h"

#include <algorithm>
#include <array>
#include <string>

#include "link/wire_bytes.h"
#include "support/conduit_error.h"

namespace corvane::link {
namespace {

// The opening, as handhelds and desktops send it. Only the first byte of
// each datagram says which it is; the rest is fixed, apart from the
// handheld's own address in its second datagram. The desktop's address in
// its first datagram is one the handheld takes no notice of.
constexpr uint8_t kFirstTransaction = 0xFF;
constexpr std::array<uint8_t, 22> kHandheldHello = {0x90, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                    0x00, 0x20, 0x00, 0x00, 0x00, 0x08, 0x02, 0x00,
                                                    0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
constexpr std::array<uint8_t, 50> kDesktopHello = {
    0x12, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00,
    0x24, 0xFF, 0xFF, 0xFF, 0xFF, 0x3C, 0x00, 0x3C, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0xC0, 0xA8, 0x01, 0x21, 0x04, 0x27, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
// The handheld's second datagram up to where the two layouts part.
constexpr std::array<uint8_t, 18> kAnnounceStart = {0x92, 0x01, 0x00, 0x00, 0x00, 0x00,
                                                    0x00, 0x00, 0x00, 0x20, 0x00, 0x00,
                                                    0x00, 0x24, 0xFF, 0xFF, 0xFF, 0xFF};
constexpr std::array<uint8_t, 12> kDeviceFields = {0x00, 0x3C, 0x00, 0x3C, 0x40, 0x00,
                                                   0x00, 0x00, 0x02, 0x00, 0x00, 0x00};
constexpr std::array<uint8_t, 12> kEmulatorFields = {0x3C, 0x00, 0x3C, 0x00, 0x00, 0x00,
                                                     0x00, 0x40, 0x00, 0x00, 0x00, 0x02};
constexpr size_t kAnnounceSize = 50;
constexpr std::array<uint8_t, 46> kDesktopAccept = {
    0x13, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0x20, 0xFF, 0xFF,
    0xFF, 0xFF, 0x00, 0x3C, 0x00, 0x3C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
constexpr std::array<uint8_t, 8> kHandheldReady = {0x93, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

ConduitError Malformed(const std::string& what) {
  return ConduitError(err::kLinkMalformed, "NetSync: " + what);
}

// The next data datagram, past any tickles.
NetSyncDatagram ReadData(ByteStream& stream, Deadline deadline) {
  for (;;) {
    NetSyncDatagram datagram = ReadDatagram(stream, deadline);
    if (datagram.type == netsync::kData) return datagram;
  }
}

// An opening datagram: its transaction id and first byte are fixed.
Bytes ExpectOpening(const NetSyncDatagram& datagram, uint8_t transaction, uint8_t first,
                    const char* what) {
  if (datagram.transaction != transaction || datagram.payload.empty() ||
      datagram.payload[0] != first) {
    throw Malformed(std::string(what) + " expected, got transaction " +
                    std::to_string(datagram.transaction) + " with " +
                    std::to_string(datagram.payload.size()) + " bytes");
  }
  return datagram.payload;
}

Bytes Announcement(const HandheldAddress& address) {
  WireWriter out;
  out.Append(kAnnounceStart);
  if (address.layout == AddressLayout::kDevice) {
    out.Append(kDeviceFields);
  } else {
    out.Append(kEmulatorFields);
  }
  out.U32(address.ip).U16(address.port);
  Bytes bytes = out.Take();
  bytes.resize(kAnnounceSize, 0);
  return bytes;
}

HandheldAddress ParseAnnouncement(const Bytes& payload) {
  const size_t at = kAnnounceStart.size();
  const size_t ip_at = at + kDeviceFields.size();
  if (payload.size() < ip_at + 6) {
    throw Malformed("the handheld's address datagram has " + std::to_string(payload.size()) +
                    " bytes");
  }
  HandheldAddress address;
  // The emulators' little-endian 0x3C gives their byte order away.
  address.layout = payload[at] == 0x3C ? AddressLayout::kEmulator : AddressLayout::kDevice;
  address.ip = GetU32(&payload[ip_at]);
  address.port = GetU16(&payload[ip_at + 4]);
  return address;
}

}  // namespace

NetSyncDatagram ReadDatagram(ByteStream& stream, Deadline deadline) {
  uint8_t header[netsync::kHeaderSize];
  ReadExactly(stream, header, sizeof header, deadline);
  NetSyncDatagram datagram;
  datagram.type = header[0];
  datagram.transaction = header[1];
  const uint32_t length = GetU32(header + 2);
  if (datagram.type != netsync::kData && datagram.type != netsync::kTickle) {
    throw Malformed("datagram of unknown type " + std::to_string(datagram.type));
  }
  if (length > kMaxDlpMessage) {
    throw Malformed("datagram of " + std::to_string(length) + " bytes, more than the " +
                    std::to_string(kMaxDlpMessage) + " a DLP message can take");
  }
  datagram.payload.resize(length);
  ReadExactly(stream, datagram.payload.data(), length, deadline);
  return datagram;
}

void WriteDatagram(ByteStream& stream, uint8_t type, uint8_t transaction,
                   std::span<const uint8_t> payload) {
  if (payload.size() > kMaxDlpMessage) {
    throw ConduitError(
        err::kBadArgument,
        "NetSync: a message of " + std::to_string(payload.size()) + " bytes is too long to send");
  }
  // Header and payload in one write, as one datagram.
  WireWriter out(netsync::kHeaderSize + payload.size());
  out.U8(type).U8(transaction).U32(static_cast<uint32_t>(payload.size())).Append(payload);
  stream.Write(out.bytes().data(), out.bytes().size());
}

NetSyncDesktop::NetSyncDesktop(ByteStream& stream, std::chrono::milliseconds silence_limit)
    : stream_(stream), silence_limit_(silence_limit) {}

Bytes NetSyncDesktop::Expect(uint8_t transaction, const char* what) {
  NetSyncDatagram datagram = ReadData(stream_, After(silence_limit_));
  if (datagram.transaction != transaction) {
    throw Malformed(std::string(what) + " carries transaction " +
                    std::to_string(datagram.transaction) + " where " + std::to_string(transaction) +
                    " was sent");
  }
  return std::move(datagram.payload);
}

void NetSyncDesktop::Open() {
  const Deadline deadline = After(silence_limit_);
  ExpectOpening(ReadData(stream_, deadline), kFirstTransaction, kHandheldHello[0],
                "the handheld's first datagram");
  WriteDatagram(stream_, netsync::kData, 1, kDesktopHello);
  handheld_ = ParseAnnouncement(ExpectOpening(ReadData(stream_, deadline), 1, kAnnounceStart[0],
                                              "the handheld's address datagram"));
  WriteDatagram(stream_, netsync::kData, 2, kDesktopAccept);
  ExpectOpening(ReadData(stream_, deadline), 2, kHandheldReady[0],
                "the handheld's last opening datagram");
  next_transaction_ = 3;
}

Bytes NetSyncDesktop::Exchange(const Bytes& request) {
  const uint8_t transaction = next_transaction_;
  // 0 and 0xFF are never used for a request.
  next_transaction_ = transaction >= 0xFE ? 1 : transaction + 1;
  WriteDatagram(stream_, netsync::kData, transaction, request);
  return Expect(transaction, "the answer");
}

void NetSyncDesktop::Tickle() {
  WriteDatagram(stream_, netsync::kTickle, kFirstTransaction, {});
}

NetSyncHandheld::NetSyncHandheld(ByteStream& stream, HandheldAddress address,
                                 std::chrono::milliseconds silence_limit)
    : stream_(stream), address_(address), silence_limit_(silence_limit) {}

void NetSyncHandheld::Open() {
  const Deadline deadline = After(silence_limit_);
  WriteDatagram(stream_, netsync::kData, kFirstTransaction, kHandheldHello);
  ExpectOpening(ReadData(stream_, deadline), 1, kDesktopHello[0], "the desktop's first datagram");
  WriteDatagram(stream_, netsync::kData, 1, Announcement(address_));
  ExpectOpening(ReadData(stream_, deadline), 2, kDesktopAccept[0], "the desktop's second datagram");
  WriteDatagram(stream_, netsync::kData, 2, kHandheldReady);
}

Bytes NetSyncHandheld::NextRequest(Deadline deadline) {
  NetSyncDatagram datagram = ReadData(stream_, deadline);
  last_transaction_ = datagram.transaction;
  return std::move(datagram.payload);
}

void NetSyncHandheld::Answer(const Bytes& response) {
  if (last_transaction_ < 0) {
    throw ConduitError(err::kBadArgument, "NetSync: an answer with no request to answer");
  }
  WriteDatagram(stream_, netsync::kData, static_cast<uint8_t>(last_transaction_), response);
  last_transaction_ = -1;
}

}  // namespace corvane::link
