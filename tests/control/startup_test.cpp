#include "control/startup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "control/launch_gates.h"
#include "fixtures/conduit_test_fixture.h"
#include "fixtures/expected_log_header.h"
#include "fixtures/log_messages.h"
#include "handheld/hotsync_link.h"
#include "support/exchange_lock.h"

namespace corvane {
namespace {

using testing::ConduitTest;
using testing::ReadFileBytes;
using testing::RunEnded;
using testing::WriteFileBytes;

class StartUpTest : public ConduitTest {
 protected:
  StartUpTest() : link(temp.Sub("handheld"), HotSyncLink::Source::kAlways) {
    exchange = frm.syncPath;
    app = frm.appPath;
    frm.syncPath.clear();
    frm.appPath.clear();
    services.app_path = app;
    services.read_sync_path = [this] { return exchange; };
    services.is_process_running = [this](const std::string& pattern, bool icase) {
      seen_pattern = pattern;
      seen_icase = icase;
      return running;
    };
    services.show_notify = [this](const std::string& text) { notifications.push_back(text); };
    WriteFileBytes(exchange + "status.flag", "stage1 pda2pc");
  }

  // Runs start-up; true when it returned for the window to be shown.
  bool Run() {
    try {
      StartUp(frm, link, services);
      return true;
    } catch (const RunEnded&) {
      return false;
    }
  }

  HotSyncLink link;
  StartUpServices services;
  std::string exchange, app, seen_pattern;
  bool seen_icase = false;
  std::optional<bool> running = true;
  std::vector<std::string> notifications;
};

TEST_F(StartUpTest, SuccessfulStartLeavesOnlyTheHeaderAtThresholdOne) {
  EXPECT_TRUE(Run());
  std::vector<std::string> expected = testing::kExpectedLogHeader;
  expected.push_back("path is: " + exchange);
  EXPECT_EQ(LogMessages(), expected);
  EXPECT_TRUE(window.log_items.empty());  // the header is file only
  EXPECT_EQ(frm.appPath, app);
  EXPECT_EQ(frm.syncPath, exchange);
  EXPECT_TRUE(frm.lastStatus.empty());  // the first poll must still see stage1 as a change
  EXPECT_EQ(window.centered, 1);
  EXPECT_FALSE(window.timer);
  EXPECT_EQ(seen_pattern, R"((?:\\|^)corvane(?!conduit)[^\\]*\.exe)");
  EXPECT_TRUE(seen_icase);
}

TEST_F(StartUpTest, OriginOfThePathIsLoggedBeforeItInTheLogFolder) {
  services.log_folder = temp.Sub("state");
  services.read_sync_path = [this] { return SyncPathReading(exchange, "path from Wine"); };
  EXPECT_TRUE(Run());
  std::vector<std::string> expected = testing::kExpectedLogHeader;
  expected.insert(expected.end(), {"path from Wine", "path is: " + exchange});
  EXPECT_EQ(testing::LogMessagesOf(services.log_folder + "/palmSynclog.txt"), expected);
  EXPECT_TRUE(window.log_items.empty());
}

TEST_F(StartUpTest, HeaderIsWrittenEvenWhenVerbosityIsZero) {
  WriteFileBytes(exchange + "verbose.txt", "0");
  EXPECT_TRUE(Run());
  EXPECT_EQ(LogMessages().size(), 6u);
  EXPECT_EQ(frm.currentVerboseLevel, 0);
}

TEST_F(StartUpTest, LaunchChecksAtVerbosityFive) {
  const std::string check = "check for corvane process", status = "check status";
  const std::vector<std::string> notify = {check, "corvane not running,  showing notify form"};
  struct Case {
    std::optional<bool> running;
    const char* flag;  // nullptr: no status.flag
    std::vector<std::string> lines;
  } cases[] = {{true, "stage1 pda2pc", {check, status, "status ok - continiue"}},
               {true, "stage2 waiting pc", {check, status, "wrong status"}},
               {true, nullptr, {check, status, "wrong status"}},
               {false, "stage1 pda2pc", notify},
               {std::nullopt, "stage1 pda2pc", notify}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flag ? c.flag : "(none)");
    window.log_items.clear();
    notifications.clear();
    running = c.running;
    WriteFileBytes(exchange + "verbose.txt", "5");
    std::filesystem::remove(exchange + "status.flag");
    if (c.flag) WriteFileBytes(exchange + "status.flag", c.flag);
    const bool continues = c.running == true && c.flag && std::string(c.flag) == "stage1 pda2pc";
    EXPECT_EQ(Run(), continues);
    ASSERT_GE(window.log_items.size(), c.lines.size());
    EXPECT_EQ(
        std::vector<std::string>(window.log_items.end() - c.lines.size(), window.log_items.end()),
        c.lines);
    ASSERT_EQ(notifications.size(), c.running == true ? 0u : 1u);
    if (!notifications.empty()) {
      EXPECT_EQ(notifications[0].rfind("1|Corvane for Palm Synchronisation can not continue", 0),
                0u);
      EXPECT_NE(notifications[0].find("application.\r\n\r\n(Corvane - Palm synchronization will "
                                      "not occur at this time)."),
                std::string::npos);
    }
    // Failed checks leave status.flag as it was and copy the log.
    if (c.flag) {
      EXPECT_EQ(ReadFileBytes(exchange + "status.flag"), c.flag);
    }
    if (!continues) {
      EXPECT_EQ(ReadFileBytes(exchange + "palmSynclog.txt"), ReadFileBytes(LogFile()));
    }
  }
}

TEST_F(StartUpTest, MissingExchangeSettingWritesNothingOutsideTheConduitFolder) {
  exchange.clear();
  // The status check looks in the current folder; keep that a fresh one.
  auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(temp.Sub("cwd"));
  bool continued = Run();
  std::filesystem::current_path(cwd);
  EXPECT_FALSE(continued);
  EXPECT_FALSE(std::filesystem::exists("/palmSynclog.txt") &&
               std::filesystem::last_write_time("/palmSynclog.txt") >
                   std::filesystem::file_time_type::clock::now() - std::chrono::minutes(1));
  EXPECT_TRUE(std::filesystem::is_empty(temp.path() + "/cwd"));
  EXPECT_TRUE(std::filesystem::exists(LogFile()));
}

TEST_F(StartUpTest, ExchangeFolderHeldByAnotherConduitIsLeftUntouched) {
  const std::string stale = exchange + ".db.txt.tmp-a1B2c3";  // a killed run's temporary
  for (bool held_elsewhere : {true, false}) {
    SCOPED_TRACE(held_elsewhere ? "held elsewhere" : "free");
    WriteFileBytes(stale, "half a file");
    ExchangeLock other, mine;
    if (held_elsewhere) {
      ASSERT_EQ(other.Hold(exchange), ExchangeLock::Outcome::kHeld);
    }
    services.exchange_lock = &mine;
    window.messages.clear();
    EXPECT_EQ(Run(), !held_elsewhere);
    EXPECT_EQ(mine.held(), !held_elsewhere);
    EXPECT_EQ(std::filesystem::exists(stale), held_elsewhere);  // only the holder cleans up
    if (!held_elsewhere) continue;
    EXPECT_FALSE(std::filesystem::exists(exchange + "palmSynclog.txt"));  // no log copy
    EXPECT_EQ(window.end_status, 1);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].text, "The exchange folder " + exchange +
                                           " is in use by another Corvane synchronisation.\r\n"
                                           "(Corvane Sync will not continue).");
    EXPECT_EQ(LogMessages().back(), "exchange folder held by another synchronisation: " + exchange);
  }
}

class LaunchGateTest : public ConduitTest {
 protected:
  bool Ends(const std::function<void()>& f) {
    try {
      f();
      return false;
    } catch (const RunEnded&) {
      return true;
    }
  }
};

TEST_F(LaunchGateTest, GateAnswers) {
  frm.currentVerboseLevel = 5;
  HotSyncLink held(temp.Sub("handheld"), HotSyncLink::Source::kAlways);
  EXPECT_FALSE(Ends([&] { HotSyncGate(frm, held); }));
  EXPECT_TRUE(window.timer);
  EXPECT_EQ(window.log_items.back(), "Hotsync sync process is running");

  window.timer = false;
  HotSyncLink none(std::nullopt, HotSyncLink::Source::kLauncher);
  EXPECT_TRUE(Ends([&] { HotSyncGate(frm, none); }));
  EXPECT_FALSE(window.timer);
  EXPECT_EQ(window.messages.back().text,
            "Sorry - I could not dected that Palm HotSync is running (and synchronizing).   "
            "Please ensure that Palm Hotsync is running when you attempt to perform "
            "synchronization. \r\n(Corvane Sync will not continue).");

  HotSyncLink gone(temp.path() + "/gone", HotSyncLink::Source::kAlways);
  EXPECT_TRUE(Ends([&] { HotSyncGate(frm, gone); }));
  EXPECT_EQ(window.messages.back().text, "Internal error: Cannot create HotSync link");
  EXPECT_EQ(window.messages.back().buttons, MessageButtons::kOk);
  EXPECT_EQ(
      window.log_items.back().rfind("Form_Activate: IsSyncInProgress failed, -2147213293 - ", 0),
      0u)
      << window.log_items.back();
}

TEST_F(LaunchGateTest, ExitAsksUnlessComplete) {
  HotSyncLink link(temp.Sub("handheld"), HotSyncLink::Source::kAlways);
  struct Case {
    std::string last_status;
    MessageAnswer answer;
    bool ends;
    size_t questions;
  } cases[] = {
      {"stage4 alldone", MessageAnswer::kNo, true, 0},
      {"stage2 waiting pc", MessageAnswer::kYes, true, 1},
      {"stage1 error", MessageAnswer::kNo, false, 1},
  };
  for (const Case& c : cases) {
    window.messages.clear();
    window.timer = false;
    frm.lastStatus = c.last_status;
    window.answers = {c.answer};
    EXPECT_EQ(Ends([&] { ExitClicked(frm, link); }), c.ends) << c.last_status;
    ASSERT_EQ(window.messages.size(), c.questions);
    if (c.questions) {
      EXPECT_EQ(window.messages[0].buttons, MessageButtons::kYesNo);
      EXPECT_EQ(window.messages[0].text,
                "Are you sure you want ou exit? Synchronisation is in the process now.\r\n"
                "Press Yes to exit or No to continue synchronisation");
    }
    if (!c.ends) {
      EXPECT_TRUE(window.timer);  // No resumes polling whatever the timer was before.
    }
  }
  window.answers = {MessageAnswer::kNo};
  window.timer = false;
  EXPECT_FALSE(Ends([&] { Ask2Exit(frm, link); }));
  EXPECT_FALSE(window.timer);
  window.answers = {MessageAnswer::kYes};
  EXPECT_TRUE(Ends([&] { Ask2Exit(frm, link); }));
}

}  // namespace
}  // namespace corvane
