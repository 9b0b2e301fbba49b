// The demonstration as a user runs it, and corvane-pc with a conduit that
// fails: the logbook never loses a flight.

#include <gtest/gtest.h>

#include "corvane_pc/logbook.h"
#include "e2e/conduit_run.h"
#include "handheld/pdb_format.h"

namespace corvane::testing {
namespace {

size_t LiveRecords(const std::string& pdb) {
  const PdbFile file = ReadPdbFile(pdb);
  return std::count_if(file.records.begin(), file.records.end(),
                       [](const PdbRecord& r) { return !r.deleted(); });
}

using DemoE2eTest = ConduitRun;

TEST_F(DemoE2eTest, TwentyFlightsIntoTheLogbookListsBothWaysReportsInParts) {
  const std::string folder = temp.path() + "/demo", hh = folder + "/handheld/";
  ChildProcess::Options demo{"/bin/bash", {CORVANE_SOURCE_DIR "/scripts/demo.sh", folder}};
  demo.env = {{"CORVANE_DEMO_BIN", CORVANE_BIN_DIR},
              {"DISPLAY", std::nullopt},
              {"QT_QPA_PLATFORM", std::nullopt}};
  demo.output_file = output;
  ASSERT_EQ(RunChild(demo, 300), 0) << ReadFileBytes(output);
  const pc::Logbook book = pc::ParseLogbook(ReadFileBytes(folder + "/logbook.csv"));
  EXPECT_EQ(book.rows.size(), 20u);
  // The lists went both ways: merged, sorted, each entry once.
  EXPECT_EQ(ReadFileBytes(folder + "/exchange/acreg_actype.txt"),
            "D-EABC|C172\r\nD-EFGH|PA28\r\nD-EKLM|C172\r\nD-ESTU|DR40\r\nD-EXYZ|C152\r\n");
  // Totals, the last twenty flights, the whole logbook in two parts.
  EXPECT_EQ(LiveRecords(hh + "CRVN_Corvane_Reports.pdb"), 4u);
  EXPECT_EQ(LiveRecords(hh + "CRVN_Corvane_db.pdb"), 0u);
}

// corvane-pc with the real conduit on the sample handheld.
TEST_F(DemoE2eTest, AConduitFailingItsFirstPhaseLeavesTheLogbookAsItWasTheNextRunSucceeds) {
  const std::string samples = CORVANE_SOURCE_DIR "/samples", data = temp.Sub("pc"),
                    logbook = temp.path() + "/l.csv";
  for (const auto& e : std::filesystem::directory_iterator(samples + "/handheld")) {
    EXPECT_EQ(RunChild({Bin("pdbtool"),
                        {"create", handheld + "/" + e.path().stem().string() + ".pdb", e.path()}}),
              0);
  }
  std::filesystem::copy(samples + "/pc", data);
  WriteFileBytes(logbook, "Date,To\r\n2025-08-01,EDFE\r\n");
  // clang-format off
  ChildProcess::Options pc{Bin("corvane-pc"), {"--exchange", exchange, "--handheld", handheld,
      "--logbook", logbook, "--data", data, "--conduit", app + "/CorvaneConduit", "--hotsync",
      Bin("hotsync"), "--timeout", "15"}};
  // clang-format on
  pc.env = {
      {"XDG_CONFIG_HOME", config}, {"QT_QPA_PLATFORM", "offscreen"}, {"DISPLAY", std::nullopt}};
  pc.output_file = output;
  // Without its preferences the conduit waits behind a message box nobody closes.
  std::filesystem::rename(handheld + "/CRVN_Corvane_Pref.pdb", temp.path() + "/pref.pdb");
  EXPECT_EQ(RunChild(pc, 120), 1);
  EXPECT_NE(ReadFileBytes(output).find("no \"stage2 waiting pc\" from the conduit within 15 s"),
            std::string::npos);
  EXPECT_EQ(ReadFileBytes(logbook), "Date,To\r\n2025-08-01,EDFE\r\n");
  EXPECT_EQ(LiveRecords(handheld + "/CRVN_Corvane_db.pdb"), 20u);
  // The stopped conduit let go of the handheld: the next synchronisation runs.
  std::filesystem::rename(temp.path() + "/pref.pdb", handheld + "/CRVN_Corvane_Pref.pdb");
  pc.args.back() = "120";
  ASSERT_EQ(RunChild(pc, 120), 0) << ReadFileBytes(output);
  EXPECT_EQ(pc::ParseLogbook(ReadFileBytes(logbook)).rows.size(), 21u);
  EXPECT_EQ(LiveRecords(handheld + "/CRVN_Corvane_db.pdb"), 0u);
}

}  // namespace
}  // namespace corvane::testing
