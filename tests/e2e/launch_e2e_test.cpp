// The conduit started the way a HotSync operation starts it, from start-up
// to every ending.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "e2e/conduit_run.h"
#include "e2e/x_display.h"
#include "fixtures/expected_log_header.h"
#include "fixtures/handheld_builder.h"
#include "fixtures/log_messages.h"
#include "fixtures/process_tree.h"
#include "handheld/pdb_format.h"

namespace corvane::testing {
namespace {

class LaunchE2eTest : public ConduitRun {
 protected:
  LaunchE2eTest() { Setting("PalmSyncPath", exchange); }

  // A small handheld and the files the PC application leaves for the way back.
  void PrepareSynchronisation() {
    HandheldBuilder builder(handheld);
    builder.AddDatabase("CRVN_Corvane_Pref", {TextsRecord({"a", "b", "2.1"})});
    builder.AddDatabase("CRVN_Corvane_Cache", {CacheRecord(2, "EDDF", "")});
    builder.AddDatabase("CRVN_Corvane_Schema",
                        {SchemaRecord("Date"), SchemaRecord("From"), SchemaRecord("To")});
    // A flight stores its fields in the order of their numbers sorted as text:
    // fields 1, 2 and 3 stand at storage positions 1, 12 and 23.
    std::vector<std::string> flight(50);
    flight[0] = "2026-12-01";
    flight[11] = "EDDF";
    flight[22] = "EDDM";
    builder.AddDatabase("CRVN_Corvane_db", {TextsRecord(flight)});
    builder.AddDatabase("CRVN_Corvane_Reports", {});
    WriteFileBytes(exchange + "corvane.txt", "Date|D|Date|1\r\nFrom|T|From|1\r\n");
    std::filesystem::create_directories(exchange + "Reports");
    WriteFileBytes(exchange + "Reports/totals.txt", "Total 1:05\r\n");
  }

  size_t FlightsLeft(const std::string& folder = {}) {
    PdbFile db = ReadPdbFile((folder.empty() ? handheld : folder) + "/CRVN_Corvane_db.pdb");
    return db.records.size();
  }

  bool Logged(const std::string& line) const {
    std::vector<std::string> log = LogMessages();
    return std::find(log.begin(), log.end(), line) != log.end();
  }
};

TEST_F(LaunchE2eTest, KilledLauncherEndsTheConduitAndTheFlightsStay) {
  struct Case {
    const char* stage;    // status.flag then, and afterwards
    const char* missing;  // a database whose absence holds the phase in its error box
    std::vector<std::string> peer;
    const char* reached;  // the log line that says the conduit is there
  } cases[] = {
      {"stage1 pda2pc", "CRVN_Corvane_Pref", {"--sleep", "60"}, ">GetVesion"},
      {"stage2 waiting pc",
       nullptr,
       {"--timeout", "60", "--wait", "stage2 waiting pc", "--sleep", "60"},
       "Processing data"},
      {"stage3 pc2pda",
       "CRVN_Corvane_Reports",
       {"--timeout", "60", "--wait", "stage2 waiting pc", "--write", "stage3 pc2pda", "--sleep",
        "60"},
       ">PCtoPDA_CorvaneReport"},
  };
  WriteFileBytes(exchange + "verbose.txt", "5");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stage);
    PrepareSynchronisation();
    if (c.missing) std::filesystem::remove(handheld + "/" + c.missing + ".pdb");
    std::filesystem::remove(LogFile());
    SetFlag("stage1 pda2pc");
    auto peer = StartPeer(c.peer);
    ChildProcess launcher(Conduit());
    ASSERT_TRUE(WaitUntil([&] { return Logged(c.reached); }, 60)) << ReadFileBytes(output);
    ::usleep(300'000);  // into the error box, or the next ticks of the wait
    std::vector<pid_t> conduit = ChildrenOf(launcher.pid());
    ASSERT_EQ(conduit.size(), 1u);
    ::kill(launcher.pid(), SIGKILL);
    EXPECT_TRUE(WaitUntil([&] { return !IsRunning(conduit[0]); }, 30));
    EXPECT_EQ(LogMessages().back(),
              "HotSync operation ended before the synchronization was complete: the flights stay "
              "on the handheld");
    EXPECT_EQ(Flag(), c.stage);
    EXPECT_EQ(FlightsLeft(), 1u);
  }
}

TEST_F(LaunchE2eTest, FullRunWalksEveryStageAndExitsZero) {
  PrepareSynchronisation();
  SetFlag("stage1 pda2pc");
  auto peer = StartPeer({"--timeout", "60", "--wait", "stage2 waiting pc", "--sleep", "1",
                         "--write", "stage3 pc2pda", "--wait", "stage4 alldone"});
  ChildProcess conduit(Conduit());
  EXPECT_EQ(conduit.Wait(120), std::optional<int>(0)) << ReadFileBytes(output);
  EXPECT_EQ(peer->Wait(30), std::optional<int>(0)) << ReadFileBytes(output);
  EXPECT_EQ(Flag(), "stage4 alldone");
  std::vector<std::string> expected = kExpectedLogHeader;
  expected.push_back("path is: " + exchange);
  for (const char* line : {"Importing data from PDA",
                           "processing cache records",
                           "all records processed ",
                           "Processing data",
                           "Exporting data to PDA",
                           "Processing 1 files",
                           "1/1 DONE",
                           "Delete all existing records from PDA CorvaneSchema table.",
                           "Exporting airports.",
                           "Airports exported succesfully.",
                           "Exporting aircraft registrations and types.",
                           "Nothing to export.",
                           "Aircraft registrations and types exported succesfully.",
                           "Exporting persons.",
                           "Nothing to export.",
                           "Persons exported succesfully.",
                           "Exporting sim. types.",
                           "Nothing to export.",
                           "Simulator exported succesfully.",
                           "Processing 1 files",
                           "1/1 DONE",
                           "Clearing PDA's flights DB",
                           "Synchronization complete"}) {
    expected.push_back(line);
  }
  EXPECT_EQ(LogMessages(), expected);
  EXPECT_EQ(ReadFileBytes(exchange + "palmSynclog.txt"), ReadFileBytes(LogFile()));
  EXPECT_EQ(ReadFileBytes(exchange + "version.txt"), "2.1");
  EXPECT_EQ(ReadFileBytes(exchange + "db.txt"), "^Date|From|To\r\n2026-12-01|EDDF|EDDM\r\n");
  EXPECT_EQ(FlightsLeft(), 0u);
}

TEST_F(LaunchE2eTest, WrongOrMissingStatusEndsWithoutAWindow) {
  for (const char* flag : {"stage2 waiting pc", "stage1 pda2pc\r\n", ""}) {
    std::filesystem::remove(exchange + "status.flag");
    if (*flag) SetFlag(flag);
    Setting("PalmSyncSuppressNotify", "");
    auto peer = StartPeer({"--sleep", "30"});
    EXPECT_EQ(RunChild(Conduit(), 60), 1) << flag;
    if (*flag) {
      EXPECT_EQ(Flag(), flag);
    }
    EXPECT_FALSE(std::filesystem::exists(exchange + "db.txt"));
  }
}

TEST_F(LaunchE2eTest, SuppressedNotificationEndsTheRunAtOnce) {
  if (const std::string why = WhyAPcApplicationIsSeen(); !why.empty()) GTEST_SKIP() << why;
  Setting("PalmSyncSuppressNotify", "1");
  WriteFileBytes(exchange + "verbose.txt", "5");
  SetFlag("stage1 pda2pc");
  EXPECT_EQ(RunChild(Conduit(), 60), 1) << ReadFileBytes(output);
  std::vector<std::string> log = LogMessages();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "corvane not running,  showing notify form");
  EXPECT_EQ(Flag(), "stage1 pda2pc");
  EXPECT_EQ(ReadFileBytes(exchange + "palmSynclog.txt"), ReadFileBytes(LogFile()));
}

TEST_F(LaunchE2eTest, MissingExchangeSettingWritesOnlyIntoTheConduitFolder) {
  std::filesystem::remove(config + "/Veltrane-soft/Corvane.conf");
  Setting("PalmSyncSuppressNotify", "1");
  struct stat before {};
  bool root_log_before = ::stat("/palmSynclog.txt", &before) == 0;
  auto peer = StartPeer({"--sleep", "30"});
  EXPECT_EQ(RunChild(Conduit(), 60), 1);
  struct stat after {};
  bool root_log_after = ::stat("/palmSynclog.txt", &after) == 0;
  EXPECT_EQ(root_log_before, root_log_after);
  if (root_log_after) {
    EXPECT_EQ(before.st_mtime, after.st_mtime);
  }
  EXPECT_TRUE(std::filesystem::is_empty(temp.path() + "/cwd"));
  EXPECT_TRUE(std::filesystem::is_empty(exchange));
  std::vector<std::string> log = LogMessages();
  ASSERT_GE(log.size(), 6u);
  EXPECT_EQ(log[5], "path is: ");
}

// Modal boxes answered the way a person answers them, on a private X server.
class LaunchWindowE2eTest : public LaunchE2eTest {
 protected:
  XDisplay display;
};

TEST_F(LaunchWindowE2eTest, NotificationWhenThePcApplicationIsMissing) {
  if (const std::string why = WhyAPcApplicationIsSeen(); !why.empty()) GTEST_SKIP() << why;
  ASSERT_FALSE(display.name().empty()) << "Xvfb did not start";
  SetFlag("stage1 pda2pc");
  ChildProcess conduit(Conduit(Launch::kHotSync, display.name()));
  std::string dialog = display.FindWindow("Corvane Palm Sync Notify");
  ASSERT_FALSE(dialog.empty()) << ReadFileBytes(output);
  if (const char* dir = std::getenv("CORVANE_SCREENSHOT_DIR")) {
    display.Capture(dialog, std::string(dir) + "/notification.png");
  }
  EXPECT_FALSE(conduit.Wait(0.5).has_value());  // it waits for the user
  // Tick "Don't show this message again", then Close.
  ASSERT_TRUE(display.Click(dialog, 16, 141));
  ASSERT_TRUE(display.Click(dialog, 346, 141));
  EXPECT_EQ(conduit.Wait(30), std::optional<int>(1));
  EXPECT_NE(ReadFileBytes(config + "/Veltrane-soft/Corvane.conf").find("PalmSyncSuppressNotify=1"),
            std::string::npos);
}

TEST_F(LaunchWindowE2eTest, RealWindowThroughAWholeSynchronisation) {
  ASSERT_FALSE(display.name().empty()) << "Xvfb did not start";
  PrepareSynchronisation();
  SetFlag("stage1 pda2pc");
  auto peer = StartPeer({"--timeout", "60", "--wait", "stage2 waiting pc", "--sleep", "3",
                         "--write", "stage3 pc2pda", "--wait", "stage4 alldone"});
  ChildProcess conduit(Conduit(Launch::kHotSync, display.name()));
  std::string window = display.FindWindow("Corvane Conduit");
  ASSERT_FALSE(window.empty()) << ReadFileBytes(output);
  // While the PC application works, the window waits with the log of the import.
  ASSERT_TRUE(WaitUntil(
      [&] {
        auto log = LogMessages();
        return !log.empty() && log.back() == "Processing data";
      },
      30));
  std::string shot = temp.path() + "/waiting.png";
  if (const char* dir = std::getenv("CORVANE_SCREENSHOT_DIR")) {
    shot = std::string(dir) + "/main-window-waiting.png";
  }
  EXPECT_TRUE(display.Capture(window, shot));
  EXPECT_GT(std::filesystem::file_size(shot), 1000u);
  EXPECT_EQ(conduit.Wait(60), std::optional<int>(0)) << ReadFileBytes(output);
  EXPECT_EQ(peer->Wait(30), std::optional<int>(0));
  EXPECT_EQ(Flag(), "stage4 alldone");
}

TEST_F(LaunchWindowE2eTest, NoHotSyncOperationGivesTheMessageAndTheEnd) {
  ASSERT_FALSE(display.name().empty()) << "Xvfb did not start";
  SetFlag("stage1 pda2pc");
  auto peer = StartPeer({"--sleep", "60"});
  ChildProcess conduit(Conduit(Launch::kDirect, display.name()));
  std::string box = display.FindWindow("CorvaneConduit");
  ASSERT_FALSE(box.empty()) << ReadFileBytes(output);
  EXPECT_TRUE(display.Key(box, "Return"));
  EXPECT_EQ(conduit.Wait(30), std::optional<int>(1));
  std::vector<std::string> log = LogMessages();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "HotSync is not running sync process...");
  EXPECT_EQ(Flag(), "stage1 pda2pc");
}

TEST_F(LaunchWindowE2eTest, SecondConduitOnTheSameExchangeFolderRefusesAndTouchesNothing) {
  ASSERT_FALSE(display.name().empty()) << "Xvfb did not start";
  PrepareSynchronisation();
  SetFlag("stage1 pda2pc");
  auto peer = StartPeer({"--timeout", "60", "--wait", "stage2 waiting pc", "--sleep", "60"});
  ChildProcess first(Conduit());
  ASSERT_TRUE(WaitUntil([&] { return Flag() == "stage2 waiting pc"; }, 60))
      << ReadFileBytes(output);

  // Another handheld under its own launcher, the same settings.
  const std::string other_handheld = temp.Sub("other-handheld"), other_app = temp.Sub("other-app");
  for (const auto& e : std::filesystem::directory_iterator(handheld)) {
    std::filesystem::copy_file(e.path(), other_handheld + "/" + e.path().filename().string());
  }
  std::filesystem::copy_file(Bin("CorvaneConduit"), other_app + "/CorvaneConduit");
  const auto exchange_before = std::filesystem::last_write_time(exchange + "status.flag");
  ChildProcess::Options options = Conduit(Launch::kHotSync, display.name());
  options.args = {"--handheld", other_handheld, "--", other_app + "/CorvaneConduit"};
  ChildProcess second(options);
  std::string box = display.FindWindow("CorvaneConduit");
  ASSERT_FALSE(box.empty()) << ReadFileBytes(output);
  EXPECT_TRUE(display.Key(box, "Return"));
  EXPECT_EQ(second.Wait(30), std::optional<int>(1));
  EXPECT_EQ(LogMessagesOf(other_app + "/palmSynclog.txt").back(),
            "exchange folder held by another synchronisation: " + exchange);
  EXPECT_EQ(std::filesystem::last_write_time(exchange + "status.flag"), exchange_before);
  EXPECT_FALSE(std::filesystem::exists(exchange + "palmSynclog.txt"));
  EXPECT_EQ(FlightsLeft(other_handheld), 1u);
  EXPECT_EQ(FlightsLeft(), 1u);
}

TEST_F(LaunchWindowE2eTest, FileSizeLimitGivesAnErrorStageAndAnExitNotASilentEnd) {
  ASSERT_FALSE(display.name().empty()) << "Xvfb did not start";
  PrepareSynchronisation();
  // db.txt outgrows the limit; the log and status.flag do not.
  std::vector<std::string> flight(50);
  flight[0] = "2026-12-01";
  HandheldBuilder(handheld).AddDatabase("CRVN_Corvane_db",
                                        std::vector<Bytes>(800, TextsRecord(flight)));
  WriteFileBytes(exchange + "verbose.txt", "5");  // the error line is a step
  SetFlag("stage1 pda2pc");
  auto peer = StartPeer({"--sleep", "60"});
  ChildProcess::Options options = Conduit(Launch::kHotSync, display.name());
  options.file_size_limit = 8192;
  ChildProcess conduit(options);
  std::string box = display.FindWindow("PDA2PCCorvaneDB Error!!");
  ASSERT_FALSE(box.empty()) << ReadFileBytes(output);
  EXPECT_TRUE(display.Key(box, "Return"));
  EXPECT_TRUE(WaitUntil([&] { return Flag() == "stage1 ERROR"; }, 30)) << Flag();
  // Exit, and Yes to the question: the run ends with a status that says so.
  EXPECT_TRUE(display.Key(display.FindWindow("Corvane Conduit"), "space"));
  std::string question = display.FindWindow("CorvaneConduit");
  ASSERT_FALSE(question.empty());
  EXPECT_TRUE(display.Key(question, "Return"));
  EXPECT_EQ(conduit.Wait(30), std::optional<int>(1));
  std::vector<std::string> log = LogMessages();
  EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& l) {
    return l.rfind("27 - File too large", 0) == 0;
  }));
  EXPECT_EQ(FlightsLeft(), 800u);
}

}  // namespace
}  // namespace corvane::testing
