// The demonstration as a user runs it, and corvane-pc against conduits that
// fail at every point of a synchronisation: the logbook never loses a flight
// and never holds one twice.

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "corvane_pc/handshake.h"
#include "corvane_pc/logbook.h"
#include "corvane_pc/staging.h"
#include "e2e/conduit_run.h"
#include "fixtures/process_tree.h"
#include "handheld/pdb_format.h"

namespace corvane::testing {
namespace {

using pc::Logbook;
using pc::ParseLogbook;

size_t LiveRecords(const std::string& pdb) {
  PdbFile file = ReadPdbFile(pdb);
  return static_cast<size_t>(std::count_if(file.records.begin(), file.records.end(),
                                           [](const PdbRecord& r) { return !r.deleted(); }));
}

// The names of the report records: the second zero-terminated text.
std::multiset<std::string> ReportNames(const std::string& pdb) {
  std::multiset<std::string> names;
  for (const PdbRecord& r : ReadPdbFile(pdb).records) {
    std::string data(r.data.begin(), r.data.end());
    size_t end = data.find('\0');
    names.insert(data.substr(end + 1, data.find('\0', end + 1) - end - 1));
  }
  return names;
}

class DemoE2eTest : public ConduitRun {
 protected:
  // scripts/demo.sh on folder, with the executables of this build.
  int RunDemo(const std::string& folder) {
    ChildProcess::Options options;
    options.program = "/bin/bash";
    options.args = {std::string(CORVANE_SOURCE_DIR) + "/scripts/demo.sh", folder};
    options.env["CORVANE_DEMO_BIN"] = std::string(CORVANE_BIN_DIR);
    options.env["DISPLAY"] = std::nullopt;
    options.env["QT_QPA_PLATFORM"] = std::nullopt;
    options.output_file = output;
    return RunChild(options, 300);
  }
};

TEST_F(DemoE2eTest, TwoRunsBringTwentyFlightsThenOnlyTheThreeNewOnes) {
  const std::string folder = temp.path() + "/demo";
  ASSERT_EQ(RunDemo(folder), 0) << ReadFileBytes(output);
  EXPECT_NE(ReadFileBytes(output).find("== synchronisation 1 complete"), std::string::npos);
  Logbook first = ParseLogbook(ReadFileBytes(folder + "/logbook.csv"));
  EXPECT_EQ(first.header.size(), 12u);
  EXPECT_EQ(first.header.front(), "Date");
  ASSERT_EQ(first.rows.size(), 20u);
  EXPECT_EQ(first.rows[0][0], "2025-09-09");

  // The lists went both ways: merged, sorted, each entry once.
  const std::string ex = folder + "/exchange/";
  EXPECT_EQ(ReadFileBytes(ex + "acreg_actype.txt"),
            "D-EABC|C172\r\nD-EFGH|PA28\r\nD-EKLM|C172\r\nD-ESTU|DR40\r\nD-EXYZ|C152\r\n");
  EXPECT_EQ(ReadFileBytes(ex + "simulator.txt"), "ALSIM AL250\r\nFNPT II\r\nRedbird TD2\r\n");
  EXPECT_EQ(ReadFileBytes(folder + "/pc/PERSON.txt"), ReadFileBytes(ex + "PERSON.txt"));
  EXPECT_EQ(ReadFileBytes(ex + "version.txt"), "3.2.1");
  EXPECT_EQ(ReadFileBytes(ex + "corvane.txt").substr(0, 18), "Date|DATE|Date|1\r\n");
  const std::string hh = folder + "/handheld/";
  EXPECT_EQ(LiveRecords(hh + "CRVN_Corvane_Cache.pdb"), 5u + 10u + 5u + 3u);
  EXPECT_EQ(LiveRecords(hh + "CRVN_Corvane_Schema.pdb"), 12u);
  EXPECT_EQ(LiveRecords(hh + "CRVN_Corvane_db.pdb"), 0u);
  // The whole logbook is too large for one record: it went in parts.
  EXPECT_EQ(ReportNames(hh + "CRVN_Corvane_Reports.pdb"),
            (std::multiset<std::string>{"Last20", "Logbook[1]", "Logbook[2]", "Totals"}));
  EXPECT_NE(ReadFileBytes(folder + "/config/Veltrane-soft/Corvane.conf")
                .find("PalmSyncPath=" + folder + "/exchange/"),
            std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(folder + "/bin/palmSynclog.txt"));

  ASSERT_EQ(RunDemo(folder), 0) << ReadFileBytes(output);
  EXPECT_NE(ReadFileBytes(output).find("the pilot records 3 new flights"), std::string::npos);
  Logbook second = ParseLogbook(ReadFileBytes(folder + "/logbook.csv"));
  ASSERT_EQ(second.rows.size(), 23u);
  EXPECT_TRUE(std::equal(first.rows.begin(), first.rows.end(), second.rows.begin()));
  std::set<pc::CsvRow> unique(second.rows.begin(), second.rows.end());
  EXPECT_EQ(unique.size(), 23u);
  EXPECT_EQ(LiveRecords(hh + "CRVN_Corvane_db.pdb"), 0u);
}

// corvane-pc against the real conduit on a sample handheld.
class CorvanePcE2eTest : public ConduitRun {
 protected:
  CorvanePcE2eTest() : data(temp.Sub("pc")), logbook(temp.path() + "/logbook.csv") {
    const std::string samples = std::string(CORVANE_SOURCE_DIR) + "/samples";
    for (const auto& e : std::filesystem::directory_iterator(samples + "/handheld")) {
      std::string name = e.path().stem().string();
      ChildProcess::Options create;
      create.program = Bin("pdbtool");
      create.args = {"create", handheld + "/" + name + ".pdb", e.path().string()};
      EXPECT_EQ(RunChild(create), 0) << name;
    }
    for (const auto& e : std::filesystem::directory_iterator(samples + "/pc")) {
      std::filesystem::copy_file(e.path(), data + "/" + e.path().filename().string());
    }
    WriteFileBytes(logbook, kEarlier);
  }

  int RunPc(const std::string& conduit, const std::string& timeout,
            const std::map<std::string, std::optional<std::string>>& env = {}) {
    return RunChild(PcOptions(conduit, timeout, env), 120);
  }

  ChildProcess::Options PcOptions(const std::string& conduit, const std::string& timeout,
                                  const std::map<std::string, std::optional<std::string>>& env) {
    ChildProcess::Options options;
    options.program = Bin("corvane-pc");
    options.args = {"--exchange", exchange,       "--handheld", handheld,    "--logbook",
                    logbook,      "--data",       data,         "--conduit", conduit,
                    "--hotsync",  Bin("hotsync"), "--timeout",  timeout};
    options.env = env;
    options.env["XDG_CONFIG_HOME"] = config;
    options.env["QT_QPA_PLATFORM"] = "offscreen";
    options.env["DISPLAY"] = std::nullopt;
    options.output_file = output;
    return options;
  }

  // A conduit that plays its side by a script: FAKE_CONDUIT_MODE says where it fails.
  std::string FakeConduit() {
    std::string path = app + "/fake-conduit";
    WriteFileBytes(path, R"SH(#!/bin/sh
ex=$(sed -n 's/^PalmSyncPath=//p' "$XDG_CONFIG_HOME/Veltrane-soft/Corvane.conf")
flag="${ex}status.flag"
if [ "$FAKE_CONDUIT_MODE" = stage1error ]; then printf 'stage1 ERROR' > "$flag"; exec sleep 600; fi
printf '^Date|To\r\n2025-12-01|EDDF\r\n^Date|To\r\n2025-12-02|EDDM\r\n' > "${ex}db.txt"
printf 'stage2 waiting pc' > "$flag"
while [ "$(cat "$flag")" != "stage3 pc2pda" ]; do sleep 0.05; done
case "$FAKE_CONDUIT_MODE" in
  stage3error) printf 'stage3 ERROR' > "$flag"; exec sleep 600 ;;
  exit-early) exit 3 ;;
  hang) exec sleep 600 ;;
  late-failure) printf 'stage4 alldone' > "$flag"; exit 5 ;;
  *) printf 'stage4 alldone' > "$flag"; exit 0 ;;
esac
)SH");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
  }

  static constexpr const char* kEarlier = "Date,To\r\n2025-08-01,EDFE\r\n";
  std::string data, logbook;
};

TEST_F(CorvanePcE2eTest, AFailingConduitLeavesTheLogbookAsItWas) {
  struct Case {
    const char* mode;
    const char* timeout;
    const char* message;
  } cases[] = {
      {"stage1error", "60", "reported \"stage1 ERROR\""},
      {"stage3error", "60", "reported \"stage3 ERROR\""},
      {"exit-early", "60", "ended with status 3 before \"stage4 alldone\""},
      {"hang", "3", "no \"stage4 alldone\" from the conduit within 3 s"},
  };
  const std::string conduit = FakeConduit();
  for (const Case& c : cases) {
    EXPECT_EQ(RunPc(conduit, c.timeout, {{"FAKE_CONDUIT_MODE", c.mode}}), 1) << c.mode;
    std::string said = ReadFileBytes(output);
    EXPECT_NE(said.find(c.message), std::string::npos) << c.mode << ": " << said;
    EXPECT_NE(said.find("synchronisation failed"), std::string::npos) << c.mode;
    EXPECT_EQ(ReadFileBytes(logbook), kEarlier) << c.mode;
    EXPECT_FALSE(std::filesystem::exists(pc::PendingPath(logbook))) << c.mode;
  }
}

TEST_F(CorvanePcE2eTest, FlightsOfARunThatFailedAfterTheEndComeInOnceNextTime) {
  const std::string conduit = FakeConduit();
  EXPECT_EQ(RunPc(conduit, "60", {{"FAKE_CONDUIT_MODE", "late-failure"}}), 1);
  EXPECT_NE(ReadFileBytes(output).find("ended with status 5 after"), std::string::npos)
      << ReadFileBytes(output);
  EXPECT_EQ(ReadFileBytes(logbook), kEarlier);
  EXPECT_TRUE(std::filesystem::exists(pc::PendingPath(logbook)));
  // The same two flights come from the handheld again: each enters once.
  EXPECT_EQ(RunPc(conduit, "60", {{"FAKE_CONDUIT_MODE", "ok"}}), 0) << ReadFileBytes(output);
  EXPECT_EQ(ReadFileBytes(logbook),
            "Date,To\r\n2025-08-01,EDFE\r\n2025-12-01,EDDF\r\n2025-12-02,EDDM\r\n");
  EXPECT_FALSE(std::filesystem::exists(pc::PendingPath(logbook)));
}

TEST_F(CorvanePcE2eTest, KilledLauncherEndsTheWholeGroupAndKeepsThePendingFlights) {
  ChildProcess pc(PcOptions(FakeConduit(), "60", {{"FAKE_CONDUIT_MODE", "hang"}}));
  // The PC side has staged the flights and waits for the conduit's last stage.
  ASSERT_TRUE(WaitUntil(
      [&] {
        return pc::ReadStage(exchange) == "stage3 pc2pda" &&
               std::filesystem::exists(pc::PendingPath(logbook));
      },
      60))
      << ReadFileBytes(output);
  std::vector<pid_t> launcher = ChildrenOf(pc.pid());
  ASSERT_EQ(launcher.size(), 1u);
  std::vector<pid_t> conduit = ChildrenOf(launcher[0]);
  ASSERT_EQ(conduit.size(), 1u);
  ::kill(launcher[0], SIGKILL);
  EXPECT_EQ(pc.Wait(60), std::optional<int>(1));
  EXPECT_FALSE(IsRunning(conduit[0]));  // left behind by its launcher, ended with its group
  EXPECT_NE(ReadFileBytes(output).find(
                "the HotSync launcher was killed (signal 9) before \"stage4 alldone\""),
            std::string::npos)
      << ReadFileBytes(output);
  EXPECT_EQ(ReadFileBytes(logbook), kEarlier);
  EXPECT_TRUE(std::filesystem::exists(pc::PendingPath(logbook)));
}

TEST_F(CorvanePcE2eTest, AConduitThatNeverAnswersIsStoppedThenTheNextRunSucceeds) {
  // Without its preferences the conduit waits behind a message box nobody closes.
  const std::string pref = handheld + "/CRVN_Corvane_Pref.pdb";
  std::filesystem::rename(pref, temp.path() + "/pref.pdb");
  EXPECT_EQ(RunPc(app + "/CorvaneConduit", "15"), 1);
  EXPECT_NE(ReadFileBytes(output).find("no \"stage2 waiting pc\" from the conduit within 15 s"),
            std::string::npos)
      << ReadFileBytes(output);
  EXPECT_EQ(ReadFileBytes(logbook), kEarlier);
  EXPECT_EQ(LiveRecords(handheld + "/CRVN_Corvane_db.pdb"), 20u);

  // The stopped conduit let go of the handheld: the next synchronisation runs.
  std::filesystem::rename(temp.path() + "/pref.pdb", pref);
  ASSERT_EQ(RunPc(app + "/CorvaneConduit", "120"), 0) << ReadFileBytes(output);
  EXPECT_NE(ReadFileBytes(output).find("new in the logbook: 20"), std::string::npos);
  Logbook book = ParseLogbook(ReadFileBytes(logbook));
  ASSERT_EQ(book.rows.size(), 21u);
  EXPECT_EQ(book.rows[0][0], "2025-08-01");
  EXPECT_EQ(LiveRecords(handheld + "/CRVN_Corvane_db.pdb"), 0u);
}

}  // namespace
}  // namespace corvane::testing
