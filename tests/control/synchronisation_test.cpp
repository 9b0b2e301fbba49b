// One whole synchronisation in process: start-up, the HotSync gate and the
// stage engine over the conduit's own transfers, at every verbosity. Each
// level's log list holds exactly the lines of that level and below, in order.

#include <gtest/gtest.h>

#include <sstream>

#include "control/launch_gates.h"
#include "control/startup.h"
#include "control/transfer_plan.h"
#include "fixtures/handheld_builder.h"
#include "support/mod_process_list.h"

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

using SynchronisationTest = testing::HandheldTest;

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

TEST_F(SynchronisationTest, EveryLogLineAtItsLevelAndTheDataBothWays) {
  const std::string exchange = frm.syncPath;
  clock.now = {2009, 10, 5, 23, 9, 0};
  Processes processes;
  StartUpServices services{
      .app_path = frm.appPath,
      .read_sync_path = [&] { return SyncPathReading(exchange); },
      .is_process_running =
          [&](const std::string& pattern, bool icase) {
            return IsProcessRunning(frm, processes, pattern, icase);
          },
      .show_notify = [](const std::string&) { ADD_FAILURE() << "notification shown"; }};
  ExpectLogAt({1, 5, 9, 10, 19, 20, 50}, Transcript(exchange), [&] {
    std::filesystem::remove_all(exchange);
    std::filesystem::create_directory(exchange);
    WriteFileBytes(Exchange("verbose.txt"), std::to_string(frm.currentVerboseLevel));
    WriteFileBytes(Exchange("status.flag"), "stage1 pda2pc");
    builder.AddDatabase("CRVN_Corvane_Pref", {testing::TextsRecord({"a", "b", "2.1"})});
    builder.AddDatabase("CRVN_Corvane_Cache", {testing::CacheRecord(1, "D-EABC", "C172")});
    builder.AddDatabase("CRVN_Corvane_Schema", {testing::SchemaRecord("Date")});
    builder.AddDatabase("CRVN_Corvane_db", {testing::TextsRecord({"2026-12-01"})});
    builder.AddDatabase("CRVN_Corvane_Reports", {});
    frm.lastStatus.clear();
    StartUp(frm, link, services);
    HotSyncGate(frm, link);
    StageEngine engine(frm, link, MakeTransferPlan(frm, link));
    engine.Tick();
    EXPECT_EQ(ReadFileBytes(Exchange("db.txt")), "^Date\r\n2026-12-01\r\n");
    engine.Tick();  // its own stage2
    // The PC application's turn.
    WriteFileBytes(Exchange("corvane.txt"), "Date|D|Date of flight|1\r\n");
    WriteFileBytes(Exchange("airport.txt"), "EDDF");
    WriteFileBytes(temp.File("exchange/Reports/r.txt"), "abc");
    WriteFileBytes(Exchange("status.flag"), "stage3 pc2pda");
    engine.Tick();
    EXPECT_THROW(engine.Tick(), testing::RunEnded);
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
          "sync hc app version is 1.0.5", "sync eh app version is 1.0.5",
          "reading path from registry...", "path is: " + exchange}));
  EXPECT_EQ(ReadFileBytes(Exchange("version.txt")), "2.1");
  EXPECT_TRUE(Records("CRVN_Corvane_db").empty());
  EXPECT_EQ(Records("CRVN_Corvane_Cache").size(), 2u);
  EXPECT_EQ(Records("CRVN_Corvane_Reports").size(), 1u);
}

}  // namespace
}  // namespace corvane
