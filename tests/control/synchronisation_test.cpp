// One whole synchronisation in process: start-up, the HotSync gate and the
// stage engine over the conduit's own transfers, at every verbosity, on a
// handheld folder and on a live handheld serving the same databases. Each
// level's log list holds exactly the lines of that level and below, in
// order, the same for both.

#include <gtest/gtest.h>

#include <sstream>

#include "control/launch_gates.h"
#include "control/startup.h"
#include "control/transfer_plan.h"
#include "fixtures/handheld_builder.h"
#include "fixtures/live_handheld.h"
#include "support/mod_process_list.h"
#include "version.h"

namespace corvane {
namespace {

using testing::LogLine;
using testing::ReadFileBytes;
using testing::WriteFileBytes;

// A scripted snapshot of the running processes.
struct Processes : ProcessList {
  std::optional<std::vector<std::string>> Snapshot() const override {
    return std::vector<std::string>{"init", "Corvane.exe", "never examined"};
  }
};

// The log of the synchronisation below, one line a line: the level, then the
// text in double quotes; ${exchange} stands for the exchange folder.
std::vector<LogLine> Transcript(const std::string& exchange) {
  std::vector<LogLine> lines;
  std::istringstream in(ReadFileBytes(CORVANE_SOURCE_DIR "/tests/data/synchronisation-log.txt"));
  for (std::string line; std::getline(in, line);) {
    std::string text = line.substr(line.find('"') + 1, line.rfind('"') - line.find('"') - 1);
    if (const size_t at = text.find("${exchange}"); at != std::string::npos)
      text.replace(at, 11, exchange);
    lines.push_back({std::stoi(line), text});
  }
  return lines;
}

class SynchronisationTest : public testing::HandheldTest {
 protected:
  // Prepares the handheld and the exchange folder, then runs one whole
  // synchronisation through l: start-up, the gate, the import, the PC
  // application's turn, the export and the end. False when the run ended
  // before its end.
  bool Synchronise(HotSyncLink& l) {
    std::filesystem::remove_all(frm.syncPath);
    std::filesystem::create_directory(frm.syncPath);
    WriteFileBytes(Exchange("verbose.txt"), std::to_string(frm.currentVerboseLevel));
    WriteFileBytes(Exchange("status.flag"), "stage1 pda2pc");
    frm.lastStatus.clear();
    try {
      StartUp(frm, l, services);
      HotSyncGate(frm, l);
      StageEngine engine(frm, l, MakeTransferPlan(frm, l));
      engine.Tick();
      engine.Tick();  // its own stage2
      // The PC application's turn.
      WriteFileBytes(Exchange("corvane.txt"), "Date|D|Date of flight|1\r\n");
      WriteFileBytes(Exchange("airport.txt"), "EDDF");
      WriteFileBytes(temp.File("exchange/Reports/r.txt"), "abc");
      WriteFileBytes(Exchange("status.flag"), "stage3 pc2pda");
      engine.Tick();
      engine.Tick();
    } catch (const testing::RunEnded&) {
      return window.end_status == 0;
    }
    return false;
  }
  void PrepareHandheld() {
    builder.AddDatabase("CRVN_Corvane_Pref", {testing::TextsRecord({"a", "b", "2.1"})});
    builder.AddDatabase("CRVN_Corvane_Cache", {testing::CacheRecord(1, "D-EABC", "C172")});
    builder.AddDatabase("CRVN_Corvane_Schema", {testing::SchemaRecord("Date")});
    builder.AddDatabase("CRVN_Corvane_db", {testing::TextsRecord({"2026-12-01"})});
    builder.AddDatabase("CRVN_Corvane_Reports", {});
  }

  Processes processes;
  StartUpServices services{
      .app_path = frm.appPath,
      .read_sync_path = [this] { return SyncPathReading(frm.syncPath); },
      .is_process_running =
          [this](const std::string& pattern, bool icase) {
            return IsProcessRunning(frm, processes, pattern, icase);
          },
      .show_notify = [](const std::string&) { ADD_FAILURE() << "notification shown"; }};
};

// On a live handheld (true), or on its folder.
class FolderOrLiveTest : public SynchronisationTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FolderOrLiveTest, EveryLogLineAtItsLevelAndTheDataBothWays) {
  const std::string exchange = frm.syncPath;
  clock.now = {2009, 10, 5, 23, 9, 0};
  ExpectLogAt({1, 5, 9, 10, 19, 20, 50}, Transcript(exchange), [&] {
    PrepareHandheld();
    std::optional<testing::LiveLink> live;
    if (GetParam()) live.emplace(handheld_dir);
    EXPECT_TRUE(Synchronise(live ? *live->link : link));
    if (live) live->handheld->sim().Save(handheld_dir);
  });
  EXPECT_EQ(window.end_status, 0);
  // Each run's file-only header; every line in the file with its time.
  EXPECT_EQ(ReadFileBytes(LogFile()).substr(0, 30), "2009-10-05 23:09:00 | ========");
  const std::vector<std::string> messages = LogMessages();
  EXPECT_EQ(
      std::vector<std::string>(messages.begin(), messages.begin() + 6),
      (std::vector<std::string>{
          std::string(83, '='),
          "================================= sync starting... ================================",
          std::string("sync hc app version is ") + kAppVersion,
          "sync eh app version is " + std::to_string(kFileVersionMajor) + "." +
              std::to_string(kFileVersionMinor) + "." + std::to_string(kFileVersionRevision),
          "reading path from registry...", "path is: " + exchange}));
  EXPECT_EQ(ReadFileBytes(Exchange("version.txt")), "2.1");
  EXPECT_EQ(ReadFileBytes(Exchange("db.txt")), "^Date\r\n2026-12-01\r\n");
  EXPECT_TRUE(Records("CRVN_Corvane_db").empty());
  EXPECT_EQ(Records("CRVN_Corvane_Cache").size(), 2u);
  EXPECT_EQ(Records("CRVN_Corvane_Reports").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Handheld, FolderOrLiveTest, ::testing::Bool());

// The live handheld's connection dropped at each request of the conduit in
// turn, from the first to the last: the run ends with status 1 before it
// completes, no error stage tells the PC application of what did not
// happen, and the flight is still on the handheld; or, when the drop cuts
// only what comes after the flights were emptied, the run is complete.
TEST_F(SynchronisationTest, ALiveHandheldDroppedAtAnyRequestLosesNoFlight) {
  PrepareHandheld();
  const std::string pristine = temp.Sub("pristine");
  std::filesystem::copy(handheld_dir, pristine);
  size_t requests = 0;
  {
    testing::LiveLink live(handheld_dir);
    ASSERT_TRUE(Synchronise(*live.link));
    requests = live.handheld->sim().requests();
  }
  ASSERT_GT(requests, 20u);
  for (size_t drop_at = 1; drop_at <= requests; ++drop_at) {
    SCOPED_TRACE("dropped at request " + std::to_string(drop_at) + " of " +
                 std::to_string(requests));
    std::filesystem::remove_all(handheld_dir);
    std::filesystem::copy(pristine, handheld_dir);
    std::filesystem::remove(LogFile());
    testing::LiveLink live(handheld_dir, drop_at);
    const bool complete = Synchronise(*live.link);
    live.handheld->sim().Save(handheld_dir);
    const size_t flights = Records("CRVN_Corvane_db").size();
    const std::string flag = ReadFileBytes(Exchange("status.flag"));
    if (complete) {
      EXPECT_EQ(flights, 0u);
      EXPECT_EQ(ReadFileBytes(Exchange("db.txt")), "^Date\r\n2026-12-01\r\n");
      continue;
    }
    EXPECT_EQ(window.end_status, 1);
    EXPECT_EQ(flights, 1u);
    EXPECT_EQ(flag.find("ERROR"), std::string::npos) << flag;
    // Said as the end of the operation, or, in the reset, as its failure.
    const std::vector<std::string> log = LogMessages();
    EXPECT_EQ(std::count(log.begin(), log.end(),
                         "HotSync operation ended before the synchronization was complete: the "
                         "flights stay on the handheld") +
                  std::count(log.begin(), log.end(),
                             "Flights DB not cleared: the flights stay on the handheld"),
              1);
  }
}

}  // namespace
}  // namespace corvane
