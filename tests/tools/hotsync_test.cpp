// hotsync's own decisions: which handheld it pairs with, and how it carries
// a conduit's DLP requests to the handheld, with tickles in between.

#include <gtest/gtest.h>

#include <filesystem>

#include "fixtures/temp_dir.h"
#include "hotsync/conduit_launch.h"
#include "hotsync/pairing.h"
#include "hotsync/relay.h"
#include "support/conduit_error.h"

namespace corvane::hotsync {
namespace {

TEST(HotSyncPairingTest, TheFirstHandheldIsPairedOthersOnlyWithPairAndNeverANamelessOne) {
  const PairedHandheld jane{7, "Jane"};
  const std::tuple<std::optional<PairedHandheld>, uint32_t, bool, PairingVerdict> cases[] = {
      {std::nullopt, 7, false, PairingVerdict::kPairNow},
      {jane, 7, false, PairingVerdict::kPaired},
      {jane, 7, true, PairingVerdict::kPaired},
      {jane, 8, false, PairingVerdict::kOther},
      {jane, 8, true, PairingVerdict::kPairNow},
      {std::nullopt, 0, true, PairingVerdict::kNameless},
      {jane, 0, false, PairingVerdict::kNameless}};
  for (const auto& [paired, user_id, pair, verdict] : cases) {
    EXPECT_EQ(JudgePairing(paired, user_id, pair), verdict) << user_id << (pair ? " --pair" : "");
  }
}

// A handheld that answers every request with the same bytes and, on the
// third tickle after it, lets the conduit end; or one whose connection is
// gone.
class ScriptedHandheld : public link::DlpTransport {
 public:
  ScriptedHandheld(std::string stop_file, bool gone)
      : stop_file_(std::move(stop_file)), gone_(gone) {}
  Bytes Exchange(const Bytes& request) override {
    requests.push_back(request);
    if (gone_) throw ConduitError(err::kLinkClosed, "the handheld's connection is gone");
    return {0x90, 0x00, 0x00, 0x00};
  }
  // Tickles count from the request on: before it the conduit is only starting.
  void Tickle() override {
    if (!requests.empty() && ++tickles == 3) std::filesystem::remove(stop_file_);
  }
  std::chrono::milliseconds TickleInterval() const override { return std::chrono::milliseconds(1); }

  std::vector<Bytes> requests;
  int tickles = 0;

 private:
  std::string stop_file_;
  bool gone_;
};

TEST(HotSyncRelayTest, RequestsGoToTheHandheldAndAnIdleLinkGetsTicklesOnly) {
  // The conduit, in the shell: a request, its answer, then idle until the
  // third tickle; or a request whose handheld is gone.
  const struct {
    bool gone;
    std::optional<int> status;
    int tickles;
  } cases[] = {{false, 0, 3}, {true, std::nullopt, 0}};
  for (const auto& c : cases) {
    testing::TempDir temp;
    const std::string stop = temp.path() + "/idle", answer = temp.path() + "/answer";
    testing::WriteFileBytes(stop, "");
    auto [ours, theirs] = sys::SocketPair();
    const std::string fd = std::to_string(theirs.get());
    const std::string script = "printf '\\000\\000\\000\\002\\020\\000' >&" + fd +
                               "; head -c 8 <&" + fd + " > " + answer + "; [ -s " + answer +
                               " ] && while [ -e " + stop + " ]; do sleep 0.01; done; exit 0";
    std::string sh = "/bin/sh", dash_c = "-c", body = script;
    char* program[] = {sh.data(), dash_c.data(), body.data(), nullptr};
    ConduitLaunch conduit(program, {}, {theirs.get()});
    theirs.Reset();
    ScriptedHandheld handheld(stop, c.gone);
    const RelayEnd end =
        Relay(handheld, std::make_unique<link::FdStream>(std::move(ours), "channel"), conduit);
    EXPECT_EQ(end.status, c.status);
    EXPECT_EQ(end.failure.empty(), !c.gone);
    EXPECT_EQ(handheld.requests, (std::vector<Bytes>{{0x10, 0x00}}));
    EXPECT_GE(handheld.tickles, c.tickles);
    if (c.gone) {
      EXPECT_EQ(handheld.tickles, 0);
    }
    if (!c.gone) {
      EXPECT_EQ(testing::ReadFileBytes(answer), std::string("\0\0\0\4\x90\0\0\0", 8));
    }
    conduit.Wait(30);
  }
}

}  // namespace
}  // namespace corvane::hotsync
