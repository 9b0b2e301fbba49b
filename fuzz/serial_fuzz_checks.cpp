// The serial stack's checks: SLP framing, PADP and CMP bodies, and the
// desktop's end fed whatever a handheld might send.

#include <algorithm>

#include "fuzz_checks.h"
#include "fuzz_verdicts.h"
#include "input_stream.h"
#include "link/cmp.h"
#include "link/padp.h"
#include "link/serial_transport.h"
#include "link/slp.h"
#include "support/conduit_error.h"

namespace corvane::fuzz {
namespace {

std::vector<link::SlpPacket> DecodeInChunks(const uint8_t* data, size_t size, size_t chunk) {
  link::SlpDecoder decoder;
  std::vector<link::SlpPacket> packets;
  for (size_t at = 0; at < size; at += chunk) {
    decoder.Feed({data + at, std::min(chunk, size - at)});
    while (decoder.HasPacket()) packets.push_back(decoder.TakePacket());
  }
  return packets;
}

}  // namespace

FuzzOutcome CheckSlpStream(const uint8_t* data, size_t size) {
  const std::vector<link::SlpPacket> whole = DecodeInChunks(data, size, std::max<size_t>(size, 1));
  const size_t chunk = size == 0 ? 1 : 1 + data[0] % 13;
  if (DecodeInChunks(data, size, chunk) != whole) {
    return Fault("chunks of " + std::to_string(chunk) + " decode differently");
  }
  // Each packet is its own bytes in the input, in order.
  const uint8_t* at = data;
  for (const link::SlpPacket& packet : whole) {
    const Bytes bytes = link::EncodeSlp(packet);
    at = std::search(at, data + size, bytes.begin(), bytes.end());
    if (at == data + size) return Fault("a packet that is not in the input");
    at += bytes.size();
  }
  return {!whole.empty(), ""};
}

FuzzOutcome CheckPadp(const uint8_t* data, size_t size) {
  link::PadpPacket packet;
  try {
    packet = link::ParsePadp({data, size});
  } catch (const ConduitError& e) {
    return Refused(e, {err::kLinkMalformed});
  }
  if (link::EncodePadp(packet) != Bytes(data, data + size)) return Fault("encoded differently");
  if (packet.type == link::kPadpData && packet.data.size() > link::kPadpMaxFragment) {
    return Fault("a fragment of " + std::to_string(packet.data.size()) + " bytes");
  }
  return {true, ""};
}

FuzzOutcome CheckCmp(const uint8_t* data, size_t size) {
  link::CmpMessage message;
  try {
    message = link::ParseCmp({data, size});
  } catch (const ConduitError& e) {
    return Refused(e, {err::kLinkMalformed});
  }
  Bytes expected(data, data + link::kCmpSize);
  expected[4] = expected[5] = 0;  // reserved
  if (link::EncodeCmp(message) != expected) return Fault("encoded differently");
  const link::CmpMessage init = link::InitFor(message, 115200);
  const uint32_t baud = link::AgreedBaud(init);
  if (baud > 115200 || (baud != link::kCmpInitialBaud && baud > message.baud)) {
    return Fault("agreed on " + std::to_string(baud) + " for " + std::to_string(message.baud));
  }
  if (link::ParseCmp(link::EncodeCmp(init)) != init) return Fault("init does not read back");
  return {true, ""};
}

FuzzOutcome CheckSerialDesktop(const uint8_t* data, size_t size) {
  InputStream stream(data, size, 32);
  link::SerialDesktop desktop(stream, nullptr, {.padp = {std::chrono::milliseconds(0), 2}});
  int answers = 0;
  try {
    desktop.Open(link::Deadline::max());
    for (;;) {
      desktop.Exchange({0x12, 0x01, 0x20, 0x04, 0x00, 0x01, 0x00, 0x04});
      ++answers;
    }
  } catch (const ConduitError& e) {
    // The input always ends in a hang-up; what came before it tells.
    if (e.number() != err::kLinkClosed && e.number() != err::kLinkMalformed &&
        e.number() != err::kLinkTimeout) {
      return Fault("unexpected error " + e.Text());
    }
  }
  return {answers > 0, ""};
}

}  // namespace corvane::fuzz
