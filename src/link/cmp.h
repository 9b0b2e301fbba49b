#pragma once

#include <cstdint>
#include <span>

#include "link/dlp_transport.h"

namespace corvane::link {

// CMP, the serial link's opening: the handheld's wakeup offers its fastest
// baud rate, the desktop's init names the rate both switch to, each carried
// as one PADP message with transaction id 0xff.
inline constexpr uint8_t kCmpWakeup = 1;
inline constexpr uint8_t kCmpInit = 2;
inline constexpr uint8_t kCmpAbort = 3;
inline constexpr uint8_t kCmpExtended = 4;
// Init flags.
inline constexpr uint8_t kCmpChangeBaud = 0x80;
inline constexpr uint8_t kCmpOneMinuteTimeout = 0x40;
inline constexpr uint8_t kCmpTwoMinuteTimeout = 0x20;
inline constexpr uint8_t kCmpLongForm = 0x10;  // PADP headers may have 4-byte sizes
// Abort flag.
inline constexpr uint8_t kCmpVersionMismatch = 0x80;

inline constexpr uint8_t kCmpXid = 0xFF;
inline constexpr size_t kCmpSize = 10;
// Every serial link starts at this rate.
inline constexpr uint32_t kCmpInitialBaud = 9600;

struct CmpMessage {
  uint8_t type = kCmpInit;
  uint8_t flags = 0;
  uint8_t major = 1;
  uint8_t minor = 1;
  uint32_t baud = 0;

  bool operator==(const CmpMessage&) const = default;
};

// A PADP message as CMP. Raises ConduitError err::kLinkMalformed for fewer
// than 10 bytes or an unknown type; bytes after the tenth are ignored.
CmpMessage ParseCmp(std::span<const uint8_t> message);
Bytes EncodeCmp(const CmpMessage& message);

// The desktop's init for a wakeup: the lower of the offered rate and ours,
// with the change-baud flag when that is not the rate the link starts at;
// long PADP headers offered always, as the handheld decides on them.
CmpMessage InitFor(const CmpMessage& wakeup, uint32_t max_baud);
// The rate an init sets.
uint32_t AgreedBaud(const CmpMessage& init);

}  // namespace corvane::link
