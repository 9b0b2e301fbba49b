// The demonstration as a user runs it: corvane-pc, the HotSync launcher and
// the conduit over the sample handheld and PC data; and live, with the
// simulated handheld.

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
  // Live: both synchronisations at once, over the network and a serial line.
  demo.args = {CORVANE_SOURCE_DIR "/scripts/demo.sh", "--live", temp.path() + "/live"};
  ASSERT_EQ(RunChild(demo, 300), 0) << ReadFileBytes(output);
  EXPECT_EQ(pc::ParseLogbook(ReadFileBytes(temp.path() + "/live/logbook.csv")).rows.size(), 23u);
  const std::string said = ReadFileBytes(output);
  EXPECT_NE(said.find("over the network (NetSync"), std::string::npos);
  EXPECT_NE(said.find("over a serial line (/dev/pts/"), std::string::npos);
  EXPECT_NE(said.find("-- on the wire: "), std::string::npos);
}

}  // namespace
}  // namespace corvane::testing
