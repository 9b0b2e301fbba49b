#include "link/slp.h"

#include <array>

#include "support/conduit_error.h"

namespace corvane::link {
namespace {

constexpr uint8_t kSignature[] = {0xBE, 0xEF, 0xED};

uint8_t HeaderChecksum(const uint8_t* header) {
  uint8_t sum = 0;
  for (size_t i = 0; i + 1 < kSlpHeaderSize; ++i) sum = static_cast<uint8_t>(sum + header[i]);
  return sum;
}

// Whether a signature could start at `at`: the bytes there match as far as
// they have arrived.
bool SignatureAt(const Bytes& buffer, size_t at) {
  for (size_t i = 0; i < sizeof kSignature && at + i < buffer.size(); ++i) {
    if (buffer[at + i] != kSignature[i]) return false;
  }
  return true;
}

// The CRC of every byte value, so that the CRC costs a look-up a byte.
constexpr std::array<uint16_t, 256> kCrcTable = [] {
  std::array<uint16_t, 256> table{};
  for (size_t value = 0; value < table.size(); ++value) {
    auto crc = static_cast<uint16_t>(value << 8);
    for (int bit = 0; bit < 8; ++bit) {
      crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    table[value] = crc;
  }
  return table;
}();

}  // namespace

uint16_t SlpCrc16(std::span<const uint8_t> bytes) {
  uint16_t crc = 0;
  for (uint8_t byte : bytes) {
    crc = static_cast<uint16_t>(crc << 8 ^ kCrcTable[(crc >> 8 ^ byte) & 0xFF]);
  }
  return crc;
}

Bytes EncodeSlp(const SlpPacket& packet) {
  if (packet.body.size() > kSlpMaxBody) {
    throw ConduitError(err::kBadArgument, "An SLP packet holds at most 65535 bytes, not " +
                                              std::to_string(packet.body.size()));
  }
  const auto size = static_cast<uint16_t>(packet.body.size());
  Bytes out(kSlpHeaderSize + packet.body.size() + 2);
  const uint8_t header[] = {kSignature[0],
                            kSignature[1],
                            kSignature[2],
                            packet.destination,
                            packet.source,
                            packet.type,
                            static_cast<uint8_t>(size >> 8),
                            static_cast<uint8_t>(size),
                            packet.xid};
  std::copy(std::begin(header), std::end(header), out.begin());
  out[9] = HeaderChecksum(out.data());
  std::copy(packet.body.begin(), packet.body.end(), out.begin() + kSlpHeaderSize);
  const uint16_t crc = SlpCrc16(std::span<const uint8_t>(out.data(), out.size() - 2));
  out[out.size() - 2] = static_cast<uint8_t>(crc >> 8);
  out[out.size() - 1] = static_cast<uint8_t>(crc);
  return out;
}

void SlpDecoder::Feed(std::span<const uint8_t> bytes) {
  buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
  Scan();
  buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<ptrdiff_t>(start_));
  start_ = 0;
}

SlpPacket SlpDecoder::TakePacket() {
  SlpPacket packet = std::move(ready_.front());
  ready_.pop_front();
  return packet;
}

void SlpDecoder::Scan() {
  for (;;) {
    size_t at = start_;
    while (at < buffer_.size() && !SignatureAt(buffer_, at)) ++at;
    skipped_ += at - start_;
    start_ = at;
    if (buffer_.size() - start_ < kSlpHeaderSize) return;

    const uint8_t* header = buffer_.data() + start_;
    const size_t body_size = static_cast<size_t>(header[6]) << 8 | header[7];
    if (HeaderChecksum(header) != header[9] || body_size > kSlpLargestReceived) {
      // Noise that happens to hold a signature: look again one byte on.
      ++start_;
      ++skipped_;
      continue;
    }
    const size_t total = kSlpHeaderSize + body_size + kSlpCrcSize;
    if (buffer_.size() - start_ < total) return;

    const uint8_t* crc_at = header + kSlpHeaderSize + body_size;
    const uint16_t crc = static_cast<uint16_t>(crc_at[0] << 8 | crc_at[1]);
    if (SlpCrc16({header, kSlpHeaderSize + body_size}) != crc) {
      // A damaged packet: its size may be the damage, so the next packet
      // can start anywhere after its signature.
      ++start_;
      ++skipped_;
      continue;
    }
    ready_.push_back(
        {header[3], header[4], header[5], header[8], Bytes(header + kSlpHeaderSize, crc_at)});
    start_ += total;
  }
}

}  // namespace corvane::link
