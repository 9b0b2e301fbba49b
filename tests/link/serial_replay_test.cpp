// The serial stack against the recorded sessions: the desktop's end writes
// the recorded desktop's bytes exactly, and the handheld's end answers the
// recorded desktop as the recorded handheld did.

#include <gtest/gtest.h>

#include <set>

#include "fixtures/session_recording.h"
#include "link/serial_transport.h"
#include "support/conduit_error.h"

namespace corvane::link {
namespace {

using testing::RecordedTransfer;

struct Session {
  std::vector<RecordedTransfer> transfers;
  std::vector<RecordedTransfer> flipped;  // the handheld's end's view
  std::vector<Bytes> requests, answers;   // CMP's first
};

// Each side's distinct data packets make its messages, a message's
// fragments joined. With the roles flipped, the desktop's bytes are read
// and the recorded handheld's packets are what must be written, each where
// it was complete. The recorded handheld repeated packets as the emulator's
// timing made it, and sent loop-back tests; ours sends each packet once, so
// repeats and loop-backs are left out. The two bytes that end its
// acknowledgement of the init are whatever it had in memory (they differ
// between recordings); ours are zero, and are checked as such.
Session Load(const std::string& name) {
  Session s{testing::LoadRecording(testing::RecordingPath(name + ".serial-net.json"))};
  SlpDecoder decoders[2];
  std::set<Bytes> seen[2];
  for (const RecordedTransfer& t : s.transfers) {
    const bool side = t.from_handheld;
    std::vector<Bytes>& messages = side ? s.answers : s.requests;
    Bytes written;
    decoders[side].Feed(t.data);
    while (decoders[side].HasPacket()) {
      SlpPacket packet = decoders[side].TakePacket();
      if (packet.type != kSlpPadp || !seen[side].insert(EncodeSlp(packet)).second) continue;
      PadpPacket padp = ParsePadp(packet.body);
      if (padp.type == kPadpData) {
        if (padp.flags & kPadpFirst) messages.emplace_back();
        messages.back().insert(messages.back().end(), padp.data.begin(), padp.data.end());
      } else if (!padp.data.empty()) {
        padp.data.assign(padp.data.size(), 0);
        packet.body = EncodePadp(padp);
      }
      const Bytes bytes = EncodeSlp(packet);
      written.insert(written.end(), bytes.begin(), bytes.end());
    }
    if (!side) s.flipped.push_back({true, t.data});
    if (side && !written.empty()) s.flipped.push_back({false, written});
  }
  return s;
}

const char* const kSessions[] = {"no-op-test", "device-info-test", "list-db-test", "read-db-test",
                                 "read-memo-test"};

TEST(SerialReplayTest, DesktopWritesTheRecordedBytes) {
  for (const std::string name : kSessions) {
    SCOPED_TRACE(name);
    const Session s = Load(name);
    ASSERT_EQ(s.requests.size(), s.answers.size());
    testing::ReplayStream replay(s.transfers);
    std::vector<uint32_t> bauds;
    SerialDesktop desktop(replay, [&](uint32_t baud) { bauds.push_back(baud); });
    desktop.Open(Deadline::max());
    for (size_t i = 1; i < s.requests.size(); ++i) {
      EXPECT_EQ(desktop.Exchange(s.requests[i]), s.answers[i]) << "request " << i;
    }
    desktop.Finish(std::chrono::milliseconds(0));
    EXPECT_EQ(bauds, std::vector<uint32_t>{115200});
    EXPECT_EQ(replay.Unplayed(), "");
  }
}

TEST(SerialReplayTest, HandheldAnswersTheRecordedDesktop) {
  for (const std::string name : kSessions) {
    SCOPED_TRACE(name);
    const Session s = Load(name);
    testing::ReplayStream replay(s.flipped);
    SerialHandheld handheld(replay, {.max_baud = ParseCmp(s.answers[0]).baud});
    EXPECT_EQ(handheld.Open(Deadline::max()), 115200u);
    for (size_t i = 1; i < s.requests.size(); ++i) {
      EXPECT_EQ(handheld.NextRequest(Deadline::max()), s.requests[i]) << "request " << i;
      handheld.Answer(s.answers[i]);
    }
    // The desktop's last acknowledgements are read, and then the line ends.
    EXPECT_THROW(handheld.NextRequest(Deadline::max()), ConduitError);
    EXPECT_EQ(replay.Unplayed(), "");
  }
}

}  // namespace
}  // namespace corvane::link
