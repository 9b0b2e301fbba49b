// The hotsync launcher and the HotSync link, with real processes.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fixtures/caught_error.h"
#include "fixtures/child_process.h"
#include "fixtures/handheld_builder.h"
#include "fixtures/temp_dir.h"
#include "handheld/handheld_folder.h"
#include "handheld/hotsync_link.h"
#include "handheld/sync_library.h"
#include "support/conduit_error.h"

namespace corvane {
namespace {

using testing::ErrorNumberOf;

using testing::ChildProcess;
using testing::ReadFileBytes;
using testing::TempDir;

const std::string kHotSync = CORVANE_BIN_DIR "/hotsync";
const std::string kProbe = CORVANE_BIN_DIR "/link_probe";

class HotSyncLauncherTest : public ::testing::Test {
 protected:
  // Starts argv (argv[0] is the program) with a fresh output file, without
  // the launcher's variables unless the launcher itself sets them.
  std::unique_ptr<ChildProcess> Start(const std::vector<std::string>& argv) {
    std::filesystem::remove(out);
    ChildProcess::Options o;
    o.program = argv[0];
    o.args.assign(argv.begin() + 1, argv.end());
    o.env = {{kHotSyncFolderEnv, std::nullopt}, {kHotSyncLauncherEnv, std::nullopt}};
    o.output_file = out;
    return std::make_unique<ChildProcess>(o);
  }
  int Run(const std::vector<std::string>& argv) { return Start(argv)->Wait(60).value_or(-1); }
  // hotsync on dir running a shell script.
  std::vector<std::string> Shell(const std::string& script, const std::string& dir = {}) {
    return {kHotSync, "--handheld", dir.empty() ? handheld : dir, "--", "/bin/sh", "-c", script};
  }
  std::string Output() const { return ReadFileBytes(out); }
  static bool Exists(const std::string& p) {
    return testing::WaitUntil([&] { return std::filesystem::exists(p); }, 10);
  }

  TempDir tmp;
  std::string handheld = tmp.Sub("handheld");
  std::string out = tmp.File("out.txt");
  std::string marker = tmp.File("started");
};

TEST_F(HotSyncLauncherTest, ExitStatusIsTheProgramsOrSignalPlus128) {
  struct Case {
    std::vector<std::string> argv;
    int status;
  } cases[] = {
      {Shell("exit 0"), 0},
      {Shell("exit 3"), 3},
      {Shell("exit 200"), 200},
      {Shell("kill -TERM $$"), 128 + SIGTERM},
      {{kHotSync, "--handheld", handheld, "--", "sh", "-c", "exit 7"}, 7},  // found on the PATH
      {{kHotSync, "--handheld", handheld, "--", "no-such-program-xyz"}, 127},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.argv), c.status) << c.argv.back() << "\n" << Output();
  }
  EXPECT_NE(Output().find("no-such-program-xyz"), std::string::npos);
}

TEST_F(HotSyncLauncherTest, UnusableFolderIsRefusedBeforeTheProgramStarts) {
  const std::string plain_file = tmp.File("plain.pdb");
  testing::WriteFileBytes(plain_file, "x");
  std::vector<std::pair<std::string, std::string>> cases = {
      {tmp.path() + "/missing", "No such file"}, {plain_file, "not a folder"}};
  if (::geteuid() != 0) {  // permissions do not stop root
    ::chmod(tmp.Sub("locked").c_str(), 0500);
    cases.emplace_back(tmp.path() + "/locked", "not readable and writable");
  }
  for (const auto& [dir, says] : cases) {
    EXPECT_NE(Run(Shell("touch '" + marker + "'", dir)), 0) << dir;
    EXPECT_FALSE(std::filesystem::exists(marker)) << dir;
    EXPECT_NE(Output().find(says), std::string::npos) << Output();
    EXPECT_NE(Output().find(dir), std::string::npos) << Output();
  }
}

TEST_F(HotSyncLauncherTest, SecondLauncherOnAHeldFolderIsRefused) {
  const std::string go = tmp.File("go");
  auto first =
      Start(Shell("touch '" + marker + "'; while [ ! -e '" + go + "' ]; do sleep 0.05; done"));
  ASSERT_TRUE(Exists(marker));
  const std::string second_marker = tmp.File("second-started");
  EXPECT_NE(Run(Shell("touch '" + second_marker + "'")), 0);
  EXPECT_FALSE(std::filesystem::exists(second_marker));
  EXPECT_NE(Output().find("already held"), std::string::npos) << Output();

  testing::WriteFileBytes(go, "");
  EXPECT_EQ(first->Wait(60), 0);
  // Released with the first run: the folder can be held again.
  EXPECT_EQ(Run(Shell("exit 0")), 0);
}

TEST_F(HotSyncLauncherTest, BadUsageGivesStatus2) {
  const std::vector<std::vector<std::string>> cases = {
      {kHotSync},
      {kHotSync, "--handheld"},
      {kHotSync, "--handheld", handheld},
      {kHotSync, "--handheld", handheld, "--"},
      {kHotSync, "--", "/bin/true"},
      {kHotSync, "--bogus", "--handheld", handheld, "--", "/bin/true"},
  };
  for (const auto& argv : cases) {
    EXPECT_EQ(Run(argv), 2) << argv.size();
    EXPECT_NE(Output().find("hotsync:"), std::string::npos);
  }
  EXPECT_EQ(Run({kHotSync, "--help"}), 0);
  EXPECT_NE(Output().find("--handheld DIR -- PROGRAM"), std::string::npos);
}

TEST_F(HotSyncLauncherTest, TermIsPassedOnToTheProgram) {
  auto launcher = Start(Shell("touch '" + marker + "'; exec sleep 30"));
  ASSERT_TRUE(Exists(marker));
  ::usleep(100'000);  // let sh exec sleep
  ::kill(launcher->pid(), SIGTERM);
  EXPECT_EQ(launcher->Wait(60), 128 + SIGTERM);
}

// IsSyncInProgress as the conduit sees it, through the probe.
TEST_F(HotSyncLauncherTest, SyncIsInProgressOnlyUnderTheLauncher) {
  struct Case {
    std::vector<std::string> argv;
    const char* says;
  } cases[] = {
      {{kHotSync, "--handheld", handheld, "--", kProbe}, "in progress: yes\n"},
      {{kProbe}, "in progress: no\n"},
      // The launcher's variables inherited by a grandchild do not make it the conduit.
      {Shell(kProbe + "; exit $?"), "in progress: no\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.argv), 0);
    EXPECT_EQ(Output(), c.says) << c.argv.size();
  }
}

TEST_F(HotSyncLauncherTest, FolderRemovedWhileHeldMakesTheLinkFail) {
  const std::string go = tmp.File("go");
  // exec keeps the launcher the probe's parent.
  auto launcher = Start(Shell("touch '" + marker + "'; exec '" + kProbe + "' '" + go + "'"));
  ASSERT_TRUE(Exists(marker));
  ASSERT_TRUE(std::filesystem::remove(handheld));
  testing::WriteFileBytes(go, "");
  EXPECT_EQ(launcher->Wait(60), 3);
  EXPECT_EQ(Output().rfind("error: " + std::to_string(err::kNoHotSyncLink) + " - ", 0), 0u)
      << Output();
  EXPECT_NE(Output().find(handheld), std::string::npos) << Output();
}

// In-process: the link without a launcher, and for tools.
TEST(HotSyncLinkTest, WithoutALauncherNothingIsInProgress) {
  HotSyncLink none(std::nullopt, HotSyncLink::Source::kLauncher);
  EXPECT_FALSE(none.IsSyncInProgress());
  EXPECT_EQ(ErrorNumberOf([&] { none.Folder(); }), err::kNoHotSyncLink);
  none.Flush();  // nothing to write

  TempDir tmp;
  ::setenv(kHotSyncFolderEnv, tmp.path().c_str(), 1);
  ::setenv(kHotSyncLauncherEnv, std::to_string(::getpid()).c_str(), 1);  // not our parent
  auto other = HotSyncLink::FromEnvironment();
  ::unsetenv(kHotSyncFolderEnv);
  ::unsetenv(kHotSyncLauncherEnv);
  EXPECT_EQ(other->folder_path(), tmp.path());
  EXPECT_FALSE(other->IsSyncInProgress());

  auto unset = HotSyncLink::FromEnvironment();
  EXPECT_FALSE(unset->folder_path().has_value());
  EXPECT_FALSE(unset->IsSyncInProgress());
}

TEST(HotSyncLinkTest, AlwaysSourceNeedsAUsableFolder) {
  TempDir tmp;
  const std::string dir = tmp.Sub("hh");
  HotSyncLink link(dir, HotSyncLink::Source::kAlways);
  EXPECT_TRUE(link.IsSyncInProgress());
  EXPECT_EQ(link.Folder().path(), dir);
  EXPECT_EQ(&link.Folder(), &link.Folder());  // one folder for the run
  std::filesystem::remove(dir);
  EXPECT_EQ(ErrorNumberOf([&] { link.IsSyncInProgress(); }), err::kNoHotSyncLink);
  EXPECT_EQ(ErrorNumberOf([&] { link.Folder(); }), err::kNoHotSyncLink);
}

TEST(HotSyncLinkTest, EveryOperationRaisesOnceTheLauncherIsGone) {
  TempDir tmp;
  const std::string dir = tmp.Sub("hh");
  testing::HandheldBuilder(dir).AddDatabase("CRVN_Corvane_db", {Bytes{'a', 0}, Bytes{'b', 0}});
  const std::string file = dir + "/CRVN_Corvane_db.pdb";
  int alive[2];
  ASSERT_EQ(::pipe(alive), 0);
  HotSyncLink link(dir, HotSyncLink::Source::kAlways, alive[0]);
  auto open = [&] {
    return PDDatabaseOpener(link).OpenDatabase("CRVN_Corvane_db", kRecordAdapterClass,
                                               kOpenReadWrite);
  };
  PDRecordAdapter db = open();
  db.ClearRecords(0, 255);  // a change still to be written back
  EXPECT_TRUE(link.IsSyncInProgress());
  const std::string before = ReadFileBytes(file);

  ::close(alive[1]);  // the launcher is gone
  EXPECT_TRUE(link.OperationEnded());
  EXPECT_FALSE(link.IsSyncInProgress());
  const std::vector<std::pair<const char*, std::function<void()>>> operations = {
      {"open", [&] { open(); }},
      {"read", [&] { db.ReadNextRecord(); }},
      {"add",
       [&] {
         int32_t id = 0;
         db.AddRecord(id, 0, 0, Bytes{'c', 0});
       }},
      {"clear", [&] { db.ClearRecords(0, 255); }},
      {"count", [&] { db.RecordTotal(); }},
      {"position", [&] { db.SetReadPosition(0); }},
      {"at end", [&] { db.AtEnd(); }},
      {"write back", [&] { link.Flush(); }},
  };
  for (const auto& [name, operation] : operations) {
    EXPECT_EQ(ErrorNumberOf(operation), err::kHotSyncEnded) << name;
  }
  EXPECT_EQ(ReadFileBytes(file), before);
}

}  // namespace
}  // namespace corvane
