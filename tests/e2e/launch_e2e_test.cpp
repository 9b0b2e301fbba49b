// The conduit started the way a HotSync operation starts it, from start-up
// to every ending.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "e2e/conduit_run.h"
#include "e2e/x_display.h"
#include "fixtures/expected_log_header.h"
#include "fixtures/handheld_builder.h"
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

  size_t FlightsLeft() {
    PdbFile db = ReadPdbFile(handheld + "/CRVN_Corvane_db.pdb");
    return db.records.size();
  }
};

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

}  // namespace
}  // namespace corvane::testing
