// The conduit started the way a HotSync operation starts it, to every ending.

#include <gtest/gtest.h>

#include "e2e/conduit_run.h"
#include "e2e/x_display.h"
#include "fixtures/handheld_builder.h"

namespace corvane::testing {
namespace {

// Windows and modal boxes answered the way a person answers them, on a private X server.
class LaunchWindowE2eTest : public ConduitRun {
 protected:
  LaunchWindowE2eTest() {
    Setting("PalmSyncPath", exchange);
    SetFlag("stage1 pda2pc");
  }
  void SetUp() override { ASSERT_FALSE(display.name().empty()) << "Xvfb did not start"; }
  XDisplay display;
};

TEST_F(LaunchWindowE2eTest, WholeSynchronisationInTheRealWindowExitsZero) {
  HandheldBuilder builder(handheld);
  std::vector<std::string> flight(50);  // fields 1, 2 and 3 stand at storage positions 1, 12 and 23
  flight[0] = "2026-12-01", flight[11] = "EDDF", flight[22] = "EDDM";
  builder.AddDatabase("CRVN_Corvane_Pref", {TextsRecord({"a", "b", "2.1"})});
  builder.AddDatabase("CRVN_Corvane_db", {TextsRecord(flight)});
  builder.AddDatabase("CRVN_Corvane_Schema",
                      {SchemaRecord("Date"), SchemaRecord("From"), SchemaRecord("To")});
  for (const char* empty : {"CRVN_Corvane_Cache", "CRVN_Corvane_Reports"})
    builder.AddDatabase(empty, {});
  WriteFileBytes(exchange + "corvane.txt", "Date|D|Date|1\r\n");
  WriteFileBytes(temp.File("exchange/Reports/totals.txt"), "Total 1:05\r\n");
  auto peer = StartPeer({"--timeout", "60", "--wait", "stage2 waiting pc", "--sleep", "3",
                         "--write", "stage3 pc2pda", "--wait", "stage4 alldone"});
  ChildProcess conduit(Conduit(Launch::kHotSync, display.name()));
  const std::string window = display.FindWindow("Corvane Conduit");
  ASSERT_FALSE(window.empty()) << ReadFileBytes(output);
  // While the PC application works, the window waits with the log of the import.
  ASSERT_TRUE(WaitUntil(
      [&] { return LogMessages().size() > 6 && LogMessages().back() == "Processing data"; }, 30));
  const char* dir = std::getenv("CORVANE_SCREENSHOT_DIR");
  const std::string shot =
      dir ? std::string(dir) + "/main-window-waiting.png" : temp.path() + "/waiting.png";
  EXPECT_TRUE(display.Capture(window, shot));
  EXPECT_EQ(conduit.Wait(60), std::optional<int>(0)) << ReadFileBytes(output);
  EXPECT_EQ(peer->Wait(30), std::optional<int>(0)) << ReadFileBytes(output);
  EXPECT_EQ(LogMessages().back(), "Synchronization complete");
  EXPECT_EQ(ReadFileBytes(exchange + "db.txt"), "^Date|From|To\r\n2026-12-01|EDDF|EDDM\r\n");
}

// The notification answered as a person answers it; then it is not shown again.
TEST_F(LaunchWindowE2eTest, NotificationWhenThePcApplicationIsMissingThenSuppressed) {
  if (const std::string why = WhyAPcApplicationIsSeen(); !why.empty()) GTEST_SKIP() << why;
  ChildProcess conduit(Conduit(Launch::kHotSync, display.name()));
  const std::string dialog = display.FindWindow("Corvane Palm Sync Notify");
  ASSERT_FALSE(dialog.empty()) << ReadFileBytes(output);
  if (const char* dir = std::getenv("CORVANE_SCREENSHOT_DIR")) {
    display.Capture(dialog, std::string(dir) + "/notification.png");
  }
  // Tick "Don't show this message again", then Close.
  ASSERT_TRUE(display.Click(dialog, 16, 141) && display.Click(dialog, 346, 141));
  EXPECT_EQ(conduit.Wait(30), std::optional<int>(1));
  EXPECT_NE(ReadFileBytes(config + "/Veltrane-soft/Corvane.conf").find("PalmSyncSuppressNotify=1"),
            std::string::npos);
  WriteFileBytes(exchange + "verbose.txt", "5");
  EXPECT_EQ(RunChild(Conduit(), 60), 1) << ReadFileBytes(output);
  EXPECT_EQ(LogMessages().back(), "corvane not running,  showing notify form");
  EXPECT_EQ(Flag(), "stage1 pda2pc");
}

// With the PC application running: no HotSync operation, then a wrong or missing status.
TEST_F(LaunchWindowE2eTest, NoHotSyncOperationOrAWrongStatusEndsTheRun) {
  auto peer = StartPeer({"--sleep", "60"});
  ChildProcess conduit(Conduit(Launch::kDirect, display.name()));
  const std::string box = display.FindWindow("CorvaneConduit");
  ASSERT_FALSE(box.empty()) << ReadFileBytes(output);
  EXPECT_TRUE(display.Key(box, "Return"));
  EXPECT_EQ(conduit.Wait(30), std::optional<int>(1));
  EXPECT_EQ(LogMessages().back(), "HotSync is not running sync process...");
  for (const char* flag : {"stage2 waiting pc", "stage1 pda2pc\r\n", ""}) {
    std::filesystem::remove(exchange + "status.flag");
    if (*flag) SetFlag(flag);
    EXPECT_EQ(RunChild(Conduit(), 60), 1) << flag;
    EXPECT_EQ(std::filesystem::exists(exchange + "status.flag") ? Flag() : "", flag);
    EXPECT_EQ(LogMessages().back(), "path is: " + exchange);
  }
}

}  // namespace
}  // namespace corvane::testing
