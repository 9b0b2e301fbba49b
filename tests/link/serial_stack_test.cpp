// SLP framing, PADP fragments and acknowledgements, CMP's baud agreement.
// Bodies that cannot be parsed at all, and the desktop's refusals of a wrong
// opening or answer, are the fuzz corpora's damaged-* seeds.

#include <gtest/gtest.h>

#include "fixtures/session_recording.h"
#include "link/cmp.h"
#include "link/padp.h"
#include "support/conduit_error.h"

namespace corvane::link {
namespace {

using testing::RecordedTransfer;
using testing::ReplayStream;
constexpr bool kIn = true, kOut = false;  // the handheld's bytes, the desktop's

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}
Bytes Padp(uint8_t xid, uint8_t type, uint8_t flags, uint32_t size, Bytes data = {}) {
  return EncodeSlp({3, 3, kSlpPadp, xid, EncodePadp({type, flags, size, std::move(data)})});
}
Bytes Ack(uint8_t xid, uint32_t size) {
  return Padp(xid, kPadpAck, 0xc0, size);
}
// A fragment of n bytes, each n % 256.
Bytes Data(uint8_t xid, uint8_t flags, uint32_t size, size_t n) {
  return Padp(xid, kPadpData, flags, size, Bytes(n, static_cast<uint8_t>(n)));
}
int32_t ErrorOf(const std::function<void()>& run) {
  try {
    run();
  } catch (const ConduitError& e) {
    return e.number();
  }
  return 0;
}

TEST(SlpTest, DecodesWhatHoldsInAnySplitAndPassesOverTheRest) {
  const SlpPacket loopback{3, 3, kSlpLoopback, 0x15, {}};
  const SlpPacket wakeup{
      3, 3, kSlpPadp, 0xff, {1, 0xc0, 0, 10, 1, 0x10, 1, 3, 0, 0, 0, 1, 0xc2, 0}};
  const Bytes a = EncodeSlp(loopback), b = EncodeSlp(wakeup);
  EXPECT_EQ(testing::Hex(a), "beefed030303000015b8ab20");  // as recorded
  EXPECT_EQ(testing::Hex(b), "beefed030302000effaf01c0000a0110010300000001c2006d2e");
  Bytes bad_checksum = a, bad_crc = b, grown = b;
  bad_checksum[9] ^= 1;
  bad_crc.back() ^= 1;
  grown[7] += 1;  // one byte more claimed, with a checksum that holds
  grown[9] += 1;
  // A header that holds but claims more than any fragment fills.
  Bytes oversized = EncodeSlp({3, 3, kSlpPadp, 1, Bytes(kSlpLargestReceived + 1)});
  oversized.resize(kSlpHeaderSize);
  const std::pair<Bytes, std::vector<SlpPacket>> cases[] = {
      {Join({a, b}), {loopback, wakeup}},
      {Join({{0, 0xbe, 0xef}, a, {0xbe, 0xef, 0xbe}, b}), {loopback, wakeup}},
      {Join({bad_checksum, b}), {wakeup}},
      {Join({bad_crc, a}), {loopback}},
      // A size whose header checksum fails is never waited for.
      {Join({{0xbe, 0xef, 0xed, 3, 3, 2, 0xff, 0xff, 1, 0}, a}), {loopback}},
      {Join({grown, a, a}), {loopback, loopback}},
      {Join({oversized, a}), {loopback}},
  };
  for (const auto& [wire, want] : cases) {
    for (size_t chunk : {1, 2, 3, 7, 11, 4096}) {
      SlpDecoder decoder;
      std::vector<SlpPacket> got;
      for (size_t at = 0; at < wire.size(); at += chunk) {
        decoder.Feed(std::span(wire).subspan(at, std::min(chunk, wire.size() - at)));
        while (decoder.HasPacket()) got.push_back(decoder.TakePacket());
      }
      EXPECT_EQ(got, want) << testing::Hex(wire) << " in chunks of " << chunk;
    }
  }
}

TEST(PadpTest, EveryCopyIsAcknowledgedAndTheMessageDeliveredOnce) {
  Bytes message(2100);
  for (size_t i = 0; i < message.size(); ++i) message[i] = static_cast<uint8_t>(i * 7);
  auto part = [&](size_t at, size_t n) { return Bytes(&message[at], &message[at] + n); };
  // The long-form flag differs from packet to packet; each is read by its own.
  const Bytes first = Padp(7, kPadpData, 0x90, 2100, part(0, 1024));
  const Bytes middle = Padp(7, kPadpData, 0x00, 1024, part(1024, 1024));
  const Bytes last = Padp(7, kPadpData, 0x50, 2048, part(2048, 52));
  const Bytes noise = Join({Padp(7, kPadpTickle, 0, 0), EncodeSlp({3, 3, kSlpLoopback, 1, {}}),
                            EncodeSlp({0, 0, kSlpSystem, 1, {1}})});
  ReplayStream replay({{kIn, Join({first, first})},
                       {kOut, Join({Ack(7, 2100), Ack(7, 2100)})},
                       {kIn, Join({noise, middle, first, middle})},
                       {kOut, Join({Ack(7, 1024), Ack(7, 2100), Ack(7, 1024)})},
                       {kIn, Join({last, middle, last})},
                       {kOut, Join({Ack(7, 2048), Ack(7, 1024), Ack(7, 2048)})}});
  PadpLink link(replay);
  const PadpMessage got = link.Receive(Deadline::max());
  EXPECT_EQ(got.xid, 7);
  EXPECT_EQ(got.data, message);
  EXPECT_EQ(ErrorOf([&] { link.Receive(Deadline::max()); }), err::kLinkClosed);
  EXPECT_EQ(replay.Unplayed(), "");
}

TEST(PadpTest, SendsFragmentsOfAtMost1024BytesRetriesAndGivesUp) {
  const Bytes one = Data(4, 0xc0, 1024, 1024);
  const Bytes marker = Data(5, 0xc0, 1, 1);  // a write the link never makes
  std::vector<RecordedTransfer> unanswered(11, {kOut, one});
  unanswered.push_back({kOut, marker});
  const struct {
    size_t size;
    std::vector<RecordedTransfer> transfers;
    int32_t error;
    std::string unplayed;
  } cases[] = {
      {1024, {{kOut, one}, {kOut, one}, {kOut, one}, {kIn, Ack(4, 1024)}}, 0, ""},
      {1025,
       {{kOut, Padp(4, kPadpData, 0x80, 1025, Bytes(1024, 1))},
        {kIn, Join({Ack(3, 1025), Ack(4, 1024)})},  // acks of other packets
        {kOut, Padp(4, kPadpData, 0x80, 1025, Bytes(1024, 1))},
        {kIn, Ack(4, 1025)},
        {kOut, Data(4, 0x40, 1024, 1)},
        {kIn, Data(4, 0xc0, 1, 1)},  // the answer stands for a lost ack
        {kOut, Ack(4, 1)}},
       0,
       ""},
      {1024, {{kOut, one}, {kIn, Padp(4, kPadpAck, 0xe0, 1024)}}, err::kLinkClosed, ""},
      {1024, {{kOut, one}, {kIn, Padp(4, kPadpAbort, 0, 0)}}, err::kLinkClosed, ""},
      {1024, unanswered, err::kLinkTimeout, "write " + testing::Hex(marker) + "\n"},
  };
  for (const auto& c : cases) {
    ReplayStream replay(c.transfers);
    PadpLink link(replay, {std::chrono::milliseconds(0), 10});
    const Bytes message(c.size, static_cast<uint8_t>(c.size));  // as Data() fills them
    EXPECT_EQ(ErrorOf([&] { link.Send(message, 4); }), c.error) << c.unplayed;
    EXPECT_EQ(replay.Unplayed(), c.unplayed);
  }
}

TEST(PadpTest, RefusesFragmentsThatFitNoMessage) {
  const std::vector<RecordedTransfer> cases[] = {
      {{kIn, Data(1, 0xc0, 3, 4)}},         // more than claimed
      {{kIn, Data(1, 0xc0, 8, 4)}},         // last too early
      {{kIn, Data(1, 0x80, 4, 4)}},         // not last at the end
      {{kIn, Data(1, 0x90, 0x200000, 4)}},  // beyond any message
      {{kIn, Data(1, 0x40, 4, 4)}},         // no first fragment
      {{kIn, Data(1, 0x80, 12, 4)}, {kOut, Ack(1, 12)}, {kIn, Data(1, 0x40, 8, 4)}},  // a gap
      {{kIn, Data(1, 0x80, 6, 4)}, {kOut, Ack(1, 6)}, {kIn, Data(1, 0x00, 4, 4)}},    // too long
      {{kIn, Join({Data(1, 0xc0, 1, 1), Data(2, 0xc0, 1, 1), Data(3, 0xc0, 1, 1),
                   Data(4, 0xc0, 1, 1), Data(5, 0xc0, 1, 1)})},  // a flood
       {kOut, Join({Ack(1, 1), Ack(2, 1), Ack(3, 1), Ack(4, 1)})}},
  };
  for (const auto& transfers : cases) {
    ReplayStream replay(transfers);
    PadpLink link(replay);
    EXPECT_EQ(ErrorOf([&] { link.Receive(Deadline::max()); }), err::kLinkMalformed)
        << testing::Hex(transfers[0].data);
    EXPECT_EQ(replay.Unplayed(), "");
  }
}

TEST(CmpTest, InitAgreesOnTheLowerRate) {
  const std::tuple<uint32_t, std::string, uint32_t> cases[] = {
      {230400, "0290010100000001c200", 115200},  // as recorded
      {115200, "0290010100000001c200", 115200}, {57600, "0290010100000000e100", 57600},
      {9600, "02100101000000000000", 9600},     {0, "02100101000000000000", 9600},
  };
  for (const auto& [offered, want, agreed] : cases) {
    const Bytes init =
        EncodeCmp(InitFor(ParseCmp(EncodeCmp({kCmpWakeup, 0, 1, 3, offered})), 115200));
    EXPECT_EQ(testing::Hex(init), want) << offered;
    EXPECT_EQ(AgreedBaud(ParseCmp(init)), agreed) << offered;
  }
}

}  // namespace
}  // namespace corvane::link
