// The handshake through status.flag, and every way a run stops short of a
// completed synchronisation: a failed start-up check, no HotSync operation,
// Exit, a failed phase.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "control/handshake.h"
#include "control/launch_gates.h"
#include "control/stage_engine.h"
#include "control/startup.h"
#include "exchange/exchange_lock.h"
#include "exchange/small_file.h"
#include "fixtures/child_process.h"
#include "fixtures/conduit_test_fixture.h"
#include "fixtures/handheld_builder.h"
#include "handheld/database_names.h"
#include "handheld/hotsync_link.h"
#include "handheld/pdb_format.h"
#include "handheld/sync_library.h"

namespace corvane {
namespace {

using HandshakeTest = testing::ConduitTest;

TEST_F(HandshakeTest, FlagReadTrimmedOfSpacesOnlyAndLowerCasedPolledForChanges) {
  // clang-format off
  const std::tuple<const char*, const char*, bool> polls[] = {  // content (none: missing), status
      {"  STAGE1 PDA2PC  ", "stage1 pda2pc", true}, {"stage1 pda2pc", "stage1 pda2pc", false},
      {"stage3 pc2pda\r\n", "stage3 pc2pda\r\n", true}, {nullptr, "", true}, {"", "", false}};
  // clang-format on
  frm.currentVerboseLevel = 5;
  for (const auto& [content, status, changed] : polls) {
    std::filesystem::remove(Exchange("status.flag"));
    if (content) testing::WriteFileBytes(Exchange("status.flag"), content);
    CheckStatusChange(frm);
    EXPECT_EQ(frm.statusChanged, changed) << (content ? content : "(missing)");
    EXPECT_EQ(frm.lastStatus, status);
  }
  EXPECT_EQ(window.log_items.back(), "FLAG status changed from 'stage3 pc2pda\r\n' to ''");
  // A flag that cannot be written is no success.
  frm.syncPath = temp.path() + "/missing/";
  EXPECT_FALSE(WriteFlagStatus(frm, "stage2 waiting pc"));
  EXPECT_EQ(window.log_items.back().find("2 - No such file or directory: " + frm.syncPath), 0u);
}

TEST_F(HandshakeTest, VerbosityReadFromItsFileOrKeptOnAnyProblem) {
  frm.currentVerboseLevel = 5;
  testing::WriteFileBytes(Exchange("verbose.txt"), "\t-10 \r\n");
  EXPECT_EQ(LoadVerboseLevel(frm, 3), -10);
  testing::WriteFileBytes(Exchange("verbose.txt"), "1 0");
  frm.currentVerboseLevel = 20;  // the reader's own steps too
  EXPECT_EQ(LoadVerboseLevel(frm, 3), 3);
  // clang-format off
  EXPECT_EQ(window.log_items, (std::vector<std::string>{"loading verbose level option",
      "new value is - -10", "loading verbose level option",
      "GFC:reading status from " + Exchange("verbose.txt"), "GFC:reading content from file",
      "GFC:ContentLength=3",
      "13 - Type mismatch", "kept same value - 3"}));
  // clang-format on
}

TEST_F(HandshakeTest, OfAnOversizedFlagOrVerbosityFileOnlyTheStartIsRead) {
  // Sparse: a file of any size costs no disk, and each tick would read it whole.
  for (const char* name : {"status.flag", "verbose.txt"}) {
    testing::WriteFileBytes(Exchange(name), "stage1 pda2pc");
    ASSERT_EQ(::truncate(Exchange(name).c_str(), 64 << 20), 0);
  }
  const std::string status = GetFlagStatus(frm);
  EXPECT_EQ(status.size(), kSmallFileLimit);
  EXPECT_EQ(status.rfind("stage1 pda2pc", 0), 0u);
  EXPECT_EQ(GetFileContent(frm, Exchange("verbose.txt")).size(), kSmallFileLimit);
}

class EndingsTest : public testing::ConduitTest {
 protected:
  EndingsTest() { frm.currentVerboseLevel = 5; }
  // True when f returned, false when it closed the main window.
  bool Returns(const std::function<void()>& f) {
    try {
      return f(), true;
    } catch (const testing::RunEnded&) {
      return false;
    }
  }
  // An engine over transfers that record their calls, the one named failing
  // failing after it ran change.
  StageEngine Engine(HotSyncLink& l, const std::string& failing = "",
                     const std::function<void()>& change = {}) {
    auto run = [this, failing, change](const char* name) {
      return Transfer{name, [this, name, failing, change] {
                        calls.push_back(name);
                        if (name != failing) return true;
                        if (change) change();
                        return false;
                      }};
    };
    return StageEngine(frm, l,
                       {{run("GetVesion"), run("PDAtoPC_CorvaneCache")}, {run("Report")}, {}});
  }
  std::string Flag() { return testing::ReadFileBytes(Exchange("status.flag")); }

  HotSyncLink link{temp.Sub("handheld"), HotSyncLink::Source::kAlways};
  HotSyncLink none{std::nullopt, HotSyncLink::Source::kLauncher};
  std::vector<std::string> calls, notified;
};

TEST_F(EndingsTest, StartUpEndsOnAWrongStatusOrWithoutThePcApplicationLeavingTheFlag) {
  const std::string exchange = frm.syncPath;
  const std::tuple<std::optional<bool>, const char*, const char*> checks[] = {
      {true, "stage2 waiting pc", "wrong status"},
      {std::nullopt, "stage1 pda2pc", "corvane not running,  showing notify form"}};
  for (const auto& [running, flag, last] : checks) {
    StartUpServices services{
        .app_path = frm.appPath,
        .read_sync_path = [&] { return SyncPathReading(exchange); },
        .is_process_running = [&](auto&, bool) { return running; },
        .show_notify = [&](const std::string& text) { notified.push_back(text); }};
    testing::WriteFileBytes(exchange + "verbose.txt", "5");
    testing::WriteFileBytes(exchange + "status.flag", flag);
    EXPECT_FALSE(Returns([&] { StartUp(frm, link, services); }));
    EXPECT_EQ(window.log_items.back(), last);
    EXPECT_EQ(Flag(), flag);
    EXPECT_EQ(testing::ReadFileBytes(Exchange("palmSynclog.txt")),
              testing::ReadFileBytes(LogFile()));
  }
  ASSERT_EQ(notified.size(), 1u);
  EXPECT_EQ(notified[0],
            "1|Corvane for Palm Synchronisation can not continue at this time because you are not "
            "running your Corvane PC application. To synchronize your Corvane pilot logbook data "
            "with your Palm device, you must start synchronisation process from within the Corvane "
            "PC application.\r\n\r\n(Corvane - Palm synchronization will not occur at this time).");
}

TEST_F(EndingsTest, WithoutAHotSyncOperationTheGateEndsTheRunExitAsksFirst) {
  EXPECT_FALSE(Returns([&] { HotSyncGate(frm, none); }));
  EXPECT_EQ(window.log_items.back(), "HotSync is not running sync process...");
  HotSyncLink gone(temp.path() + "/gone", HotSyncLink::Source::kAlways);
  EXPECT_FALSE(Returns([&] { HotSyncGate(frm, gone); }));
  EXPECT_EQ(window.log_items.back().find("Form_Activate: IsSyncInProgress failed, -2147213293 - "),
            0u);
  frm.lastStatus = "stage2 waiting pc";  // No resumes polling; Yes ends the run
  window.answers = {MessageAnswer::kNo, MessageAnswer::kNo, MessageAnswer::kYes,
                    MessageAnswer::kYes};
  EXPECT_TRUE(Returns([&] { ExitClicked(frm, link); }));
  EXPECT_TRUE(Returns([&] { Ask2Exit(frm, link); }));
  EXPECT_TRUE(window.timer);
  EXPECT_FALSE(Returns([&] { ExitClicked(frm, link); }));
  EXPECT_FALSE(window.timer);
  EXPECT_FALSE(Returns([&] { Ask2Exit(frm, link); }));
  frm.lastStatus = "stage4 alldone";  // complete: no question
  EXPECT_FALSE(Returns([&] { ExitClicked(frm, link); }));
  std::vector<std::string> shown;
  for (const auto& m : window.messages) shown.push_back(m.title + ": " + m.text);
  ASSERT_EQ(shown.size(), 6u);
  EXPECT_EQ(shown[2] + shown[3], shown[4] + shown[5]);  // the same questions, answered Yes
  // clang-format off
  EXPECT_EQ(std::vector<std::string>(shown.begin(), shown.begin() + 4), (std::vector<std::string>{
      "CorvaneConduit: Sorry - I could not dected that Palm HotSync is running (and "
      "synchronizing).   Please ensure that Palm Hotsync is running when you attempt to perform "
      "synchronization. \r\n(Corvane Sync will not continue).",
      "CorvaneConduit: Internal error: Cannot create HotSync link",
      "CorvaneConduit: Are you sure you want ou exit? Synchronisation is in the process now.\r\n"
      "Press Yes to exit or No to continue synchronisation",
      "CorvaneConduit: Hotsynch will not continue untill you exit conduit.\r\nDo you want to exit "
      "now?"}));
  // clang-format on
}

TEST_F(EndingsTest, FailingTransferStopsItsPhaseAndWritesTheErrorStage) {
  // clang-format off
  const std::tuple<const char*, const char*, const char*, const char*, const char*> phases[] = {
      {"stage1 pda2pc", "GetVesion", "stage1 ERROR", "Importing data from PDA", "importing"},
      {"stage3 pc2pda", "Report", "stage3 ERROR", "Exporting data to PDA", "exporting"}};
  // clang-format on
  // What the failing transfer changed reaches the handheld before the error stage is told.
  const testing::HandheldBuilder handheld(temp.Sub("handheld"));
  handheld.AddDatabase(kReportsDatabase, {});
  size_t changed = 0;
  for (const auto& [start, transfer, flag, phase, doing] : phases) {
    frm.lastStatus.clear();
    StageEngine engine = Engine(link, transfer, [&] {
      int32_t id = 0;
      PDDatabaseOpener(link)
          .OpenDatabase(kReportsDatabase, kRecordAdapterClass, kOpenReadWrite)
          .AddRecord(id, 0, 0, Bytes{1});
    });
    testing::WriteFileBytes(Exchange("status.flag"), start);
    window.timer = true;
    engine.Tick();
    EXPECT_EQ(ReadPdbFile(handheld.DatabasePath(kReportsDatabase)).records.size(), ++changed);
    EXPECT_EQ(Flag(), flag);
    EXPECT_FALSE(window.timer);
    const std::string error = std::string("Error in Synchronization (") + phase + ")";
    EXPECT_EQ(window.activity, error + ". ");
    EXPECT_EQ(std::vector<std::string>(window.log_items.end() - 3, window.log_items.end()),
              (std::vector<std::string>{
                  ">" + std::string(transfer), error + ".",
                  std::string("Error while ") + doing + " data. Process stopped."}));
    const size_t called = calls.size();
    engine.Tick();  // the error stage reads back as nothing the engine acts on
    EXPECT_EQ(calls.size(), called);
  }
  // A tick inside the log line of a flag change finds the stage taken; an Exit inside a phase ends
  // it.
  StageEngine engine = Engine(link);
  window.events.push_back([&] { engine.Tick(); });
  frm.lastStatus.clear(), calls.clear();
  testing::WriteFileBytes(Exchange("status.flag"), "stage1 pda2pc");
  engine.Tick();
  window.events.push_back([&] { window.EndProcess(1); });
  testing::WriteFileBytes(Exchange("status.flag"), "stage3 pc2pda");
  EXPECT_FALSE(Returns([&] { engine.Tick(); }));
  EXPECT_EQ(calls, (std::vector<std::string>{"GetVesion", "PDAtoPC_CorvaneCache"}));
  // Without a HotSync operation the import fails and the export does nothing.
  const std::string only = "Functions are available only during an Active Hot Synch operation.";
  EXPECT_FALSE(Engine(none).ImportFromPDA());
  EXPECT_EQ(window.activities.end()[-2], only);
  EXPECT_TRUE(Engine(none).ExportToPDA());
  EXPECT_EQ(window.activity, only);
  // An unexpected error in either phase is shown and logged, each phase punctuating it its way.
  HotSyncLink gone(temp.path() + "/gone", HotSyncLink::Source::kAlways);
  EXPECT_FALSE(Engine(gone).ImportFromPDA());
  EXPECT_FALSE(Engine(gone).ExportToPDA());
  ASSERT_EQ(window.messages.size(), 2u);
  const std::string import = "Error in Synchronization (Importing data from PDA)",
                    export_ = "Error in Synchronization (Exporting data to PDA)";
  EXPECT_EQ(window.messages[0].title + ": " + window.messages[0].text.substr(0, 61),
            "Corvane Conduit: " + import + "-2147213293");
  EXPECT_EQ(window.messages[1].text.find(export_ + ". -2147213293 - "), 0u);
  EXPECT_EQ(window.log_items.end()[-2] + window.log_items.back(),
            window.messages[0].text + window.messages[1].text);
  EXPECT_EQ(window.activities.end()[-2] + window.activities.back(), import + ". " + export_ + ". ");
}

TEST_F(EndingsTest, UnwritableStatusFlagIsWrittenInPlaceOrEndsTheRunSayingWhy) {
  // Permissions do not stop root: the cases run as a user they stop.
  const std::optional<testing::TestUser> user = testing::UnprivilegedUser();
  if (!user) GTEST_SKIP() << "runs as root, and there is no user 'nobody' to run as";
  enum Broken { kGone, kReadOnly, kAllReadOnly };  // the folder, or the folder and the flag
  const std::tuple<Broken, bool, const char*, const char*> cases[] = {
      // the import's result, the flag after, the run's end ("": it went on)
      {kGone, true, "stage1 pda2pc", "Cannot write \"stage2 waiting pc\" into status.flag: 2 - "},
      {kReadOnly, true, "stage2 waiting pc", ""},
      {kReadOnly, false, "stage1 ERROR", ""},
      {kAllReadOnly, true, "stage1 pda2pc",
       "Cannot write \"stage2 waiting pc\" into status.flag: 13 - "}};
  const std::string moved = temp.path() + "/moved";
  for (const auto& [broken, ok, flag, said] : cases) {
    SCOPED_TRACE(flag);
    testing::WriteFileBytes(Exchange("status.flag"), "stage1 pda2pc");
    ASSERT_EQ(::chown(temp.path().c_str(), user->uid, user->gid), 0);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(temp.path())) {
      ASSERT_EQ(::chown(entry.path().c_str(), user->uid, user->gid), 0);
    }
    const std::string end = testing::AsUser(*user, [&, broken = broken, ok = ok] {
      frm.lastStatus.clear();
      StageEngine engine(frm, link,
                         {{{"GetVesion",
                            [&] {
                              if (broken == kGone) std::filesystem::rename(frm.syncPath, moved);
                              if (broken == kAllReadOnly)
                                ::chmod(Exchange("status.flag").c_str(), 0444);
                              if (broken != kGone) ::chmod(frm.syncPath.c_str(), 0555);
                              return ok;
                            }}},
                          {},
                          {}});
      if (Returns([&] { engine.Tick(); })) return std::string();
      // Said and logged, not waited for in silence.
      const std::string text = window.messages.at(0).text;
      const std::string line = text.substr(0, text.find("\r\n"));
      return std::to_string(window.end_status) +
             (LogMessages().back() == line ? " " : " not logged ") + line;
    });
    if (broken == kGone) std::filesystem::rename(moved, frm.syncPath);
    ::chmod(frm.syncPath.c_str(), 0755);
    EXPECT_EQ(end.substr(0, std::strlen(said) + (*said ? 2 : 0)),
              *said ? "1 " + std::string(said) : "");
    EXPECT_EQ(Flag(), flag);
  }
}

TEST_F(EndingsTest, AfterTheHotSyncEndedNothingTouchesTheFlagOnlyAWrittenResetCompletes) {
  // The launcher goes during a phase; whether the phase then succeeds (the
  // export counts as done without a HotSync operation) or fails, status.flag
  // stays as it was, also at verbosity 0, where no event runs in between.
  const std::tuple<const char*, bool> phases[] = {
      {"stage3 pc2pda", true}, {"stage3 pc2pda", false}, {"stage1 pda2pc", false}};
  for (const auto& [start, result] : phases) {
    SCOPED_TRACE(start);
    auto pipe = sys::Pipe();
    HotSyncLink watched(temp.Sub("handheld"), HotSyncLink::Source::kAlways, std::move(pipe.first));
    const Transfer ends_launcher{"T", [&, result = result] { return pipe.second.Reset(), result; }};
    StageEngine engine(frm, watched, {{ends_launcher}, {ends_launcher}, {}});
    frm.currentVerboseLevel = 0, frm.lastStatus.clear();
    testing::WriteFileBytes(Exchange("status.flag"), start);
    EXPECT_FALSE(Returns([&] { engine.Tick(); }));
    EXPECT_EQ(window.end_status, 1);
    EXPECT_EQ(Flag(), start);
  }
  // A tick due while the end is logged finds the PC application's next stage: no phase starts.
  frm.currentVerboseLevel = 5, frm.lastStatus = "stage2 waiting pc";
  auto [alive, launcher] = sys::Pipe();
  HotSyncLink watched(temp.Sub("handheld"), HotSyncLink::Source::kAlways, std::move(alive));
  StageEngine engine = Engine(watched);
  testing::WriteFileBytes(Exchange("status.flag"), "stage3 pc2pda");
  launcher.Reset();
  window.events.push_back([&] { engine.Tick(); });
  EXPECT_FALSE(Returns([&] { engine.HotSyncEnded(); }));
  EXPECT_EQ(Flag(), "stage3 pc2pda");
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(window.log_items.back(),
            "HotSync operation ended before the synchronization was complete: the flights stay on "
            "the handheld");
  // A launcher that ends once the reset is written leaves a complete run.
  for (bool reset_ok : {false, true}) {
    frm.lastStatus.clear();
    StageEngine* running = nullptr;
    StageEngine last(frm, link, {{}, {}, [&] {
                                   if (reset_ok)
                                     window.events.push_back([&] { running->HotSyncEnded(); });
                                   return reset_ok;
                                 }});
    running = &last;
    testing::WriteFileBytes(Exchange("status.flag"), "stage4 alldone");
    EXPECT_FALSE(Returns([&] { last.Tick(); }));
    EXPECT_EQ(window.end_status, reset_ok ? 0 : 1);
    EXPECT_EQ(window.log_items.back(),
              reset_ok ? "Synchronization complete"
                       : "Flights DB not cleared: the flights stay on the handheld");
  }
}

TEST_F(EndingsTest, ExchangeFolderHeldByAnotherConduitIsLeftUntouched) {
  const std::string exchange = frm.syncPath, stale = exchange + ".db.txt.tmp-a1B2c3";
  testing::WriteFileBytes(exchange + "status.flag", "stage1 pda2pc");
  for (bool held_elsewhere : {true, false}) {
    testing::WriteFileBytes(stale, "half a file");  // a killed run's temporary
    ExchangeLock other, mine;
    if (held_elsewhere) {
      ASSERT_EQ(other.Hold(exchange), ExchangeLock::Outcome::kHeld);
    }
    window.messages.clear(), window.log_items.clear();
    const StartUpServices services{
        .app_path = frm.appPath,
        .log_folder = temp.Sub("state"),
        .read_sync_path = [&] { return SyncPathReading(exchange, "path from Wine"); },
        .settings_problem = [] { return "settings not used"; },
        .is_process_running = [](auto&, bool) { return true; },
        .exchange_lock = &mine};
    EXPECT_EQ(Returns([&] { StartUp(frm, link, services); }), !held_elsewhere);
    EXPECT_EQ(mine.held(), !held_elsewhere);
    EXPECT_EQ(std::filesystem::exists(stale), held_elsewhere);  // only the holder cleans up
    const auto log = testing::LogMessagesOf(services.log_folder + "/palmSynclog.txt");
    if (!held_elsewhere) {  // where the path came from and why not the settings, before it, in the
                            // file only
      EXPECT_EQ(std::vector<std::string>(log.end() - 3, log.end()),
                (std::vector<std::string>{"path from Wine", "settings not used",
                                          "path is: " + exchange}));
      EXPECT_TRUE(window.log_items.empty());
      continue;
    }
    EXPECT_FALSE(std::filesystem::exists(exchange + "palmSynclog.txt"));  // no log copy
    EXPECT_EQ(window.end_status, 1);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].text, "The exchange folder " + exchange +
                                           " is in use by another Corvane synchronisation.\r\n"
                                           "(Corvane Sync will not continue).");
    EXPECT_EQ(log.back(), "exchange folder held by another synchronisation: " + exchange);
  }
  // A folder that cannot be locked (a loop of links here) is refused the same way.
  const std::string loop = temp.path() + "/loop";
  ASSERT_EQ(::symlink("loop", loop.c_str()), 0);
  ExchangeLock mine;
  window.messages.clear();
  EXPECT_FALSE(Returns([&] {
    StartUp(frm, link,
            {.app_path = frm.appPath,
             .read_sync_path = [&] { return SyncPathReading(loop + "/"); },
             .is_process_running = [](auto&, bool) { return true; },
             .exchange_lock = &mine});
  }));
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(
      window.messages[0].text.rfind("The exchange folder " + loop + "/ cannot be locked: 40 - ", 0),
      0u)
      << window.messages[0].text;
}

}  // namespace
}  // namespace corvane
