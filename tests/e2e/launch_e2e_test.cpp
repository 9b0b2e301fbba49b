// The conduit started the way a HotSync operation starts it, to every ending.

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>

#include "e2e/conduit_run.h"
#include "e2e/x_display.h"
#include "fixtures/handheld_builder.h"
#include "fixtures/process_tree.h"

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
  // A handheld of count flights.
  void PrepareHandheld(size_t count = 1) {
    std::vector<std::string> flight(50);  // fields 1, 2, 3 stand at storage positions 1, 12, 23
    flight[0] = "2026-12-01", flight[11] = "EDDF", flight[22] = "EDDM";
    builder.AddDatabase("CRVN_Corvane_Pref", {TextsRecord({"a", "b", "2.1"})});
    builder.AddDatabase("CRVN_Corvane_db", std::vector<Bytes>(count, TextsRecord(flight)));
    builder.AddDatabase("CRVN_Corvane_Schema",
                        {SchemaRecord("Date"), SchemaRecord("From"), SchemaRecord("To")});
    for (const char* empty : {"CRVN_Corvane_Cache", "CRVN_Corvane_Reports"})
      builder.AddDatabase(empty, {});
  }
  size_t FlightsLeft() {
    return ReadPdbFile(builder.DatabasePath("CRVN_Corvane_db")).records.size();
  }
  // Kills the launcher with SIGKILL: its conduit ends, whatever box it shows, saying why.
  void ExpectKillingTheLauncherEndsTheConduit(ChildProcess& launcher, const std::string& log = "") {
    const std::vector<pid_t> conduit = ChildrenOf(launcher.pid());
    ASSERT_EQ(conduit.size(), 1u);
    ::kill(launcher.pid(), SIGKILL);
    EXPECT_TRUE(WaitUntil([&] { return !IsRunning(conduit[0]); }, 30));
    EXPECT_EQ(LogMessagesOf(log.empty() ? LogFile() : log).back(),
              "HotSync operation ended before the synchronization was complete: the flights stay "
              "on the handheld");
  }
  XDisplay display;
  HandheldBuilder builder{handheld};
};

TEST_F(LaunchWindowE2eTest, WholeSynchronisationInTheRealWindowExitsZero) {
  PrepareHandheld();
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

// The notification, left open while the launcher is killed; then answered
// as a person answers it; then it is not shown again.
TEST_F(LaunchWindowE2eTest, NotificationWhenThePcApplicationIsMissingThenSuppressed) {
  if (const std::string why = WhyAPcApplicationIsSeen(); !why.empty()) GTEST_SKIP() << why;
  {
    ChildProcess launcher(Conduit(Launch::kHotSync, display.name()));
    ASSERT_FALSE(display.FindWindow("Corvane Palm Sync Notify").empty()) << ReadFileBytes(output);
    ExpectKillingTheLauncherEndsTheConduit(launcher);
  }
  ChildProcess conduit(Conduit(Launch::kHotSync, display.name()));
  const std::string dialog = display.FindWindow("Corvane Palm Sync Notify");
  ASSERT_FALSE(dialog.empty()) << ReadFileBytes(output);
  if (const char* dir = std::getenv("CORVANE_SCREENSHOT_DIR")) {
    display.Capture(dialog, std::string(dir) + "/notification.png");
  }
  // Tick "Don't show this message again", then Close.
  ASSERT_TRUE(display.Click(dialog, 16, 141));
  ASSERT_TRUE(display.Click(dialog, 346, 141));
  EXPECT_EQ(conduit.Wait(30), std::optional<int>(1));
  EXPECT_NE(ReadFileBytes(config + "/Veltrane-soft/Corvane.conf").find("PalmSyncSuppressNotify=1"),
            std::string::npos);
  WriteFileBytes(exchange + "verbose.txt", "5");
  EXPECT_EQ(RunChild(Conduit(), 60), 1) << ReadFileBytes(output);
  EXPECT_EQ(LogMessages().back(), "corvane not running,  showing notify form");
  EXPECT_EQ(Flag(), "stage1 pda2pc");
}

// With the PC application running, but no HotSync operation (none at all, or
// the launcher's, inherited by a process that its program started), or not
// the stage to begin with.
TEST_F(LaunchWindowE2eTest, NoHotSyncOperationOrAWrongStatusEndsTheRun) {
  auto peer = StartPeer({"--sleep", "60"});
  ChildProcess::Options grandchild = Conduit(Launch::kHotSync, display.name());
  grandchild.args = {"--handheld", handheld, "--",
                     "/bin/sh",    "-c",     app + "/CorvaneConduit; exit $?"};
  for (const auto& options : {Conduit(Launch::kDirect, display.name()), grandchild}) {
    ChildProcess conduit(options);
    const std::string box = display.FindWindow("CorvaneConduit");
    ASSERT_FALSE(box.empty()) << ReadFileBytes(output);
    EXPECT_TRUE(display.Key(box, "Return"));
    EXPECT_EQ(conduit.Wait(30), std::optional<int>(1));
    EXPECT_EQ(LogMessages().back(), "HotSync is not running sync process...");
  }
  SetFlag("stage2 waiting pc");  // under the launcher, but not the PC application's turn
  EXPECT_EQ(RunChild(Conduit(), 60), 1);
  EXPECT_EQ(Flag(), "stage2 waiting pc");
  EXPECT_EQ(LogMessages().back(), "path is: " + exchange);  // quietly, at verbosity 1
}

TEST_F(LaunchWindowE2eTest, KilledLauncherEndsTheConduitAndTheFlightsStay) {
  // status.flag then and after; a database whose absence holds the phase in
  // its error box, and the box; the peer; the log line of the wait.
  const std::tuple<const char*, const char*, const char*, std::vector<std::string>> cases[] = {
      {"stage1 pda2pc", "CRVN_Corvane_Cache", "PDA2PCCorvaneCache Error!!", {"--sleep", "60"}},
      {"stage2 waiting pc",
       "",
       "",
       {"--timeout", "60", "--wait", "stage2 waiting pc", "--sleep", "60"}},
      {"stage3 pc2pda",
       "CRVN_Corvane_Reports",
       "PC2PDACorvaneReports Error!!",
       {"--timeout", "60", "--wait", "stage2 waiting pc", "--write", "stage3 pc2pda", "--sleep",
        "60"}}};
  for (const auto& [stage, missing, box, steps] : cases) {
    SCOPED_TRACE(stage);
    PrepareHandheld();
    std::filesystem::remove(handheld + "/" + missing + ".pdb");
    std::filesystem::remove(LogFile());
    SetFlag("stage1 pda2pc");
    auto peer = StartPeer(steps);
    ChildProcess launcher(Conduit(Launch::kHotSync, display.name()));
    if (*box) {
      ASSERT_FALSE(display.FindWindow(box).empty()) << ReadFileBytes(output);
    } else {
      ASSERT_TRUE(WaitUntil([&] { return Flag() == stage; }, 60)) << ReadFileBytes(output);
    }
    ExpectKillingTheLauncherEndsTheConduit(launcher);
    EXPECT_EQ(Flag(), stage);
    EXPECT_EQ(FlightsLeft(), 1u);
  }
}

TEST_F(LaunchWindowE2eTest, SecondConduitOnTheSameExchangeFolderRefusesAndTouchesNothing) {
  PrepareHandheld();
  auto peer = StartPeer({"--timeout", "60", "--wait", "stage2 waiting pc", "--sleep", "60"});
  ChildProcess first(Conduit());
  ASSERT_TRUE(WaitUntil([&] { return Flag() == "stage2 waiting pc"; }, 60))
      << ReadFileBytes(output);
  // The same handheld is refused a second launcher before its program starts.
  EXPECT_EQ(RunChild({Bin("hotsync"), {"--handheld", handheld, "--", "/bin/true"}}), 125);
  // Another handheld under its own launcher, the same settings.
  const std::string other_handheld = temp.path() + "/other-handheld", other_app = temp.Sub("other");
  std::filesystem::copy(handheld, other_handheld);
  std::filesystem::copy_file(Bin("CorvaneConduit"), other_app + "/CorvaneConduit");
  const auto before = std::filesystem::last_write_time(exchange + "status.flag");
  ChildProcess::Options options = Conduit(Launch::kHotSync, display.name());
  options.args = {"--handheld", other_handheld, "--", other_app + "/CorvaneConduit"};
  ChildProcess second(options);
  // Its refusal stays up while its launcher is killed: it ends all the same.
  ASSERT_FALSE(display.FindWindow("CorvaneConduit").empty()) << ReadFileBytes(output);
  const std::string log = other_app + "/palmSynclog.txt";
  ExpectKillingTheLauncherEndsTheConduit(second, log);
  EXPECT_EQ(LogMessagesOf(log).end()[-2],
            "exchange folder held by another synchronisation: " + exchange);
  EXPECT_EQ(std::filesystem::last_write_time(exchange + "status.flag"), before);
  EXPECT_FALSE(std::filesystem::exists(exchange + "palmSynclog.txt"));
}

TEST_F(LaunchWindowE2eTest, FileSizeLimitGivesAnErrorStageAndAnExitNotASilentEnd) {
  PrepareHandheld(800);  // db.txt outgrows the limit; the log and status.flag do not
  WriteFileBytes(exchange + "verbose.txt", "5");  // the error line is a step
  auto peer = StartPeer({"--sleep", "60"});
  ChildProcess::Options options = Conduit(Launch::kHotSync, display.name());
  options.file_size_limit = 8192;
  ChildProcess conduit(options);
  const std::string box = display.FindWindow("PDA2PCCorvaneDB Error!!");
  ASSERT_FALSE(box.empty()) << ReadFileBytes(output);
  EXPECT_TRUE(display.Key(box, "Return"));
  EXPECT_TRUE(WaitUntil([&] { return Flag() == "stage1 ERROR"; }, 30)) << Flag();
  // Exit, and Yes to the question: the run ends with a status that says so.
  EXPECT_TRUE(display.Key(display.FindWindow("Corvane Conduit"), "space"));
  const std::string question = display.FindWindow("CorvaneConduit");
  ASSERT_FALSE(question.empty());
  EXPECT_TRUE(display.Key(question, "Return"));
  EXPECT_EQ(conduit.Wait(30), std::optional<int>(1));
  EXPECT_EQ(
      std::ranges::count_if(
          LogMessages(), [](const std::string& l) { return l.starts_with("27 - File too large"); }),
      1);
  EXPECT_EQ(FlightsLeft(), 800u);
}

}  // namespace
}  // namespace corvane::testing
