#include "link/cmp.h"

#include <algorithm>
#include <string>

#include "support/conduit_error.h"

namespace corvane::link {

CmpMessage ParseCmp(std::span<const uint8_t> message) {
  if (message.size() < kCmpSize) {
    throw ConduitError(err::kLinkMalformed,
                       "A CMP message of " + std::to_string(message.size()) + " bytes");
  }
  if (message[0] < kCmpWakeup || message[0] > kCmpExtended) {
    throw ConduitError(err::kLinkMalformed, "CMP message type " + std::to_string(message[0]));
  }
  // Bytes 4 and 5 are reserved.
  return {message[0], message[1], message[2], message[3],
          static_cast<uint32_t>(message[6]) << 24 | static_cast<uint32_t>(message[7]) << 16 |
              static_cast<uint32_t>(message[8]) << 8 | message[9]};
}

Bytes EncodeCmp(const CmpMessage& message) {
  return {message.type,
          message.flags,
          message.major,
          message.minor,
          0,
          0,
          static_cast<uint8_t>(message.baud >> 24),
          static_cast<uint8_t>(message.baud >> 16),
          static_cast<uint8_t>(message.baud >> 8),
          static_cast<uint8_t>(message.baud)};
}

CmpMessage InitFor(const CmpMessage& wakeup, uint32_t max_baud) {
  uint32_t baud = std::min(wakeup.baud, max_baud);
  // A handheld that offers no rate stays at the one the link started at.
  if (baud == 0) baud = kCmpInitialBaud;
  const bool change = baud != kCmpInitialBaud;
  return {kCmpInit, static_cast<uint8_t>(kCmpLongForm | (change ? kCmpChangeBaud : 0)), 1, 1,
          change ? baud : 0};
}

uint32_t AgreedBaud(const CmpMessage& init) {
  return (init.flags & kCmpChangeBaud) && init.baud != 0 ? init.baud : kCmpInitialBaud;
}

}  // namespace corvane::link
