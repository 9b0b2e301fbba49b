#include "link/serial_transport.h"

#include <string>

#include "support/conduit_error.h"

namespace corvane::link {
namespace {

// The version of CMP both ends speak; a wakeup of a later major version is
// refused, as its init would not be understood.
constexpr uint8_t kCmpMajor = 1;
// The version recorded handhelds put in their wakeup.
constexpr uint8_t kHandheldCmpMinor = 3;

CmpMessage ExpectCmp(const PadpMessage& message, uint8_t type) {
  const CmpMessage cmp = ParseCmp(message.data);
  if (cmp.type == kCmpAbort) {
    throw ConduitError(err::kLinkClosed, "The other end broke off the connection (CMP abort)");
  }
  if (cmp.type != type || message.xid != kCmpXid) {
    throw ConduitError(err::kLinkMalformed, "CMP message type " + std::to_string(cmp.type) +
                                                " where type " + std::to_string(type) + " is due");
  }
  return cmp;
}

}  // namespace

SerialDesktop::SerialDesktop(ByteStream& stream, std::function<void(uint32_t)> on_baud,
                             SerialOptions options)
    : padp_(stream, options.padp), on_baud_(std::move(on_baud)), options_(options) {}

void SerialDesktop::Open(Deadline deadline) {
  const CmpMessage wakeup = ExpectCmp(padp_.Receive(deadline), kCmpWakeup);
  if (wakeup.major > kCmpMajor) {
    padp_.Send(EncodeCmp({kCmpAbort, kCmpVersionMismatch, kCmpMajor, 1, 0}), kCmpXid);
    throw ConduitError(err::kLinkMalformed, "The handheld speaks CMP version " +
                                                std::to_string(wakeup.major) + "." +
                                                std::to_string(wakeup.minor));
  }
  const CmpMessage init = InitFor(wakeup, options_.max_baud);
  padp_.Send(EncodeCmp(init), kCmpXid);
  // The handheld writes 4-byte sizes from now on; ours stay short while they fit.
  if (wakeup.flags & kCmpLongForm) padp_.set_sizes(PadpSizes::kLongWhenNeeded);
  if (on_baud_) on_baud_(AgreedBaud(init));
}

Bytes SerialDesktop::Exchange(const Bytes& request) {
  const uint8_t xid = NextXid();
  padp_.Send(request, xid);
  PadpMessage answer = padp_.ReceiveWithin(options_.silence_limit);
  if (answer.xid != xid) {
    throw ConduitError(err::kLinkMalformed, "The handheld answered request " + std::to_string(xid) +
                                                " with transaction " + std::to_string(answer.xid));
  }
  return std::move(answer.data);
}

void SerialDesktop::Tickle() {
  padp_.SendTickle(NextXid());
}

void SerialDesktop::Finish(std::chrono::milliseconds linger) {
  padp_.AcknowledgeUntil(After(linger));
}

uint8_t SerialDesktop::NextXid() {
  // 0 and 0xff are not used by requests: 0xff belongs to CMP.
  const uint8_t xid = next_xid_;
  next_xid_ = next_xid_ == 0xFE ? 1 : next_xid_ + 1;
  return xid;
}

SerialHandheld::SerialHandheld(ByteStream& stream, SerialOptions options)
    : padp_(stream, options.padp), options_(options) {}

uint32_t SerialHandheld::Open(Deadline deadline) {
  // A handheld's acknowledgement of the init carries two bytes more than
  // any other; desktops pass them over.
  padp_.set_ack_trailer({0, 0});
  padp_.Send(EncodeCmp({kCmpWakeup, kCmpLongForm, kCmpMajor, kHandheldCmpMinor, options_.max_baud}),
             kCmpXid);
  const CmpMessage init = ExpectCmp(padp_.Receive(deadline), kCmpInit);
  padp_.set_ack_trailer({});
  if (init.flags & kCmpLongForm) padp_.set_sizes(PadpSizes::kLong);
  return AgreedBaud(init);
}

Bytes SerialHandheld::NextRequest(Deadline deadline) {
  PadpMessage request = padp_.Receive(deadline);
  request_xid_ = request.xid;
  return std::move(request.data);
}

void SerialHandheld::Answer(const Bytes& response) {
  padp_.Send(response, request_xid_);
}

}  // namespace corvane::link
