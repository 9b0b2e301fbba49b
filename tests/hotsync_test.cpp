// The hotsync launcher and the HotSync link, with real processes.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "handheld/handheld_folder.h"
#include "handheld/hotsync_link.h"
#include "support/conduit_error.h"
#include "temp_dir.h"

namespace corvane {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;

const std::string kBin = CORVANE_BIN_DIR;
const std::string kHotSync = kBin + "/hotsync";
const std::string kProbe = kBin + "/link_probe";

// Starts argv with stdout and stderr sent to out_file; without the launcher's
// variables unless the launcher itself sets them.
pid_t StartProcess(const std::vector<std::string>& argv, const std::string& out_file) {
  pid_t pid = ::fork();
  if (pid == 0) {
    int fd = ::open(out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) {
      ::dup2(fd, 1);
      ::dup2(fd, 2);
    }
    ::unsetenv(kHotSyncFolderEnv);
    ::unsetenv(kHotSyncLauncherEnv);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(99);
  }
  return pid;
}

// The exit status, or 128 + signal, of a started process.
int WaitExit(pid_t pid) {
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + WTERMSIG(status);
}

int RunToEnd(const std::vector<std::string>& argv, const std::string& out_file) {
  return WaitExit(StartProcess(argv, out_file));
}

bool WaitForFile(const std::string& path) {
  for (int i = 0; i < 400; ++i) {
    if (std::filesystem::exists(path)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  return false;
}

class HotSyncLauncherTest : public ::testing::Test {
 protected:
  TempDir tmp;
  std::string handheld = tmp.Sub("handheld");
  std::string out = tmp.File("out.txt");
};

TEST_F(HotSyncLauncherTest, ExitStatusIsTheProgramsOrSignalPlus128) {
  struct Case {
    std::string script;
    int status;
  } cases[] = {{"exit 0", 0}, {"exit 3", 3}, {"exit 200", 200}, {"kill -TERM $$", 128 + SIGTERM}};
  for (const auto& c : cases) {
    EXPECT_EQ(RunToEnd({kHotSync, "--handheld", handheld, "--", "/bin/sh", "-c", c.script}, out),
              c.status)
        << c.script << "\n"
        << ReadFileBytes(out);
  }
}

TEST_F(HotSyncLauncherTest, ProgramIsFoundOnThePath) {
  EXPECT_EQ(RunToEnd({kHotSync, "--handheld", handheld, "--", "sh", "-c", "exit 7"}, out), 7);
  EXPECT_EQ(RunToEnd({kHotSync, "--handheld", handheld, "--", "no-such-program-xyz"}, out), 127);
  EXPECT_NE(ReadFileBytes(out).find("no-such-program-xyz"), std::string::npos);
}

TEST_F(HotSyncLauncherTest, UnusableFolderIsRefusedBeforeTheProgramStarts) {
  std::string plain_file = tmp.File("plain.pdb");
  testing::WriteFileBytes(plain_file, "x");
  struct Case {
    std::string dir;
    std::string says;
  } cases[] = {{tmp.path() + "/missing", "No such file"}, {plain_file, "not a folder"}};
  const std::string marker = tmp.File("started");
  for (const auto& c : cases) {
    int status = RunToEnd(
        {kHotSync, "--handheld", c.dir, "--", "/bin/sh", "-c", "touch '" + marker + "'"}, out);
    EXPECT_NE(status, 0) << c.dir;
    EXPECT_FALSE(std::filesystem::exists(marker)) << c.dir;
    std::string text = ReadFileBytes(out);
    EXPECT_NE(text.find(c.says), std::string::npos) << text;
    EXPECT_NE(text.find(c.dir), std::string::npos) << text;
  }
}

TEST_F(HotSyncLauncherTest, FolderWithoutWriteRightsIsRefused) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
  const std::string marker = tmp.File("started");
  ::chmod(handheld.c_str(), 0500);
  EXPECT_NE(
      RunToEnd({kHotSync, "--handheld", handheld, "--", "/bin/sh", "-c", "touch " + marker}, out),
      0);
  EXPECT_FALSE(std::filesystem::exists(marker));
  EXPECT_NE(ReadFileBytes(out).find("not readable and writable"), std::string::npos);
}

TEST_F(HotSyncLauncherTest, SecondLauncherOnAHeldFolderIsRefused) {
  const std::string go = tmp.File("go");
  const std::string first_out = tmp.File("first.txt");
  const std::string started = tmp.File("first-started");
  pid_t first =
      StartProcess({kHotSync, "--handheld", handheld, "--", "/bin/sh", "-c",
                    "touch '" + started + "'; while [ ! -e '" + go + "' ]; do sleep 0.05; done"},
                   first_out);
  ASSERT_TRUE(WaitForFile(started));

  const std::string marker = tmp.File("second-started");
  int second = RunToEnd(
      {kHotSync, "--handheld", handheld, "--", "/bin/sh", "-c", "touch '" + marker + "'"}, out);
  EXPECT_NE(second, 0);
  EXPECT_FALSE(std::filesystem::exists(marker));
  EXPECT_NE(ReadFileBytes(out).find("already held"), std::string::npos) << ReadFileBytes(out);

  testing::WriteFileBytes(go, "");
  EXPECT_EQ(WaitExit(first), 0);
  // Released with the first run: the folder can be held again.
  EXPECT_EQ(RunToEnd({kHotSync, "--handheld", handheld, "--", "/bin/sh", "-c", "exit 0"}, out), 0);
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
    EXPECT_EQ(RunToEnd(argv, out), 2) << argv.size();
    EXPECT_NE(ReadFileBytes(out).find("hotsync:"), std::string::npos);
  }
  EXPECT_EQ(RunToEnd({kHotSync, "--help"}, out), 0);
  EXPECT_NE(ReadFileBytes(out).find("--handheld DIR -- PROGRAM"), std::string::npos);
}

TEST_F(HotSyncLauncherTest, TermIsPassedOnToTheProgram) {
  const std::string started = tmp.File("started");
  pid_t launcher = StartProcess({kHotSync, "--handheld", handheld, "--", "/bin/sh", "-c",
                                 "touch '" + started + "'; exec sleep 30"},
                                out);
  ASSERT_TRUE(WaitForFile(started));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // let sh exec sleep
  ::kill(launcher, SIGTERM);
  EXPECT_EQ(WaitExit(launcher), 128 + SIGTERM);
}

// IsSyncInProgress as the conduit sees it, through the probe.
TEST_F(HotSyncLauncherTest, SyncIsInProgressOnlyUnderTheLauncher) {
  EXPECT_EQ(RunToEnd({kHotSync, "--handheld", handheld, "--", kProbe}, out), 0);
  EXPECT_EQ(ReadFileBytes(out), "in progress: yes\n");

  EXPECT_EQ(RunToEnd({kProbe}, out), 0);
  EXPECT_EQ(ReadFileBytes(out), "in progress: no\n");

  // The launcher's variables inherited by a grandchild do not make it the conduit.
  EXPECT_EQ(
      RunToEnd({kHotSync, "--handheld", handheld, "--", "/bin/sh", "-c", kProbe + "; exit $?"},
               out),
      0);
  EXPECT_EQ(ReadFileBytes(out), "in progress: no\n");
}

TEST_F(HotSyncLauncherTest, FolderRemovedWhileHeldMakesTheLinkFail) {
  const std::string go = tmp.File("go");
  const std::string started = tmp.File("started");
  // exec keeps the launcher the probe's parent.
  pid_t launcher = StartProcess({kHotSync, "--handheld", handheld, "--", "/bin/sh", "-c",
                                 "touch '" + started + "'; exec '" + kProbe + "' '" + go + "'"},
                                out);
  ASSERT_TRUE(WaitForFile(started));
  ASSERT_TRUE(std::filesystem::remove(handheld));
  testing::WriteFileBytes(go, "");
  EXPECT_EQ(WaitExit(launcher), 3);
  std::string text = ReadFileBytes(out);
  EXPECT_EQ(text.rfind("error: " + std::to_string(err::kNoHotSyncLink) + " - ", 0), 0u) << text;
  EXPECT_NE(text.find(handheld), std::string::npos) << text;
}

// In-process: the link without a launcher, and for tools.
TEST(HotSyncLinkTest, WithoutFolderNothingIsInProgressAndFolderFails) {
  HotSyncLink link(std::nullopt, HotSyncLink::Source::kLauncher);
  EXPECT_FALSE(link.IsSyncInProgress());
  try {
    link.Folder();
    FAIL() << "Folder() without a folder";
  } catch (const ConduitError& e) {
    EXPECT_EQ(e.number(), err::kNoHotSyncLink);
  }
  link.Flush();  // nothing to write
}

TEST(HotSyncLinkTest, FromEnvironmentWithoutLauncherHasNoFolder) {
  ::unsetenv(kHotSyncFolderEnv);
  ::unsetenv(kHotSyncLauncherEnv);
  auto link = HotSyncLink::FromEnvironment();
  EXPECT_FALSE(link->folder_path().has_value());
  EXPECT_FALSE(link->IsSyncInProgress());
}

TEST(HotSyncLinkTest, EnvironmentNamingAnotherProcessIsNoOperation) {
  TempDir tmp;
  ::setenv(kHotSyncFolderEnv, tmp.path().c_str(), 1);
  ::setenv(kHotSyncLauncherEnv, std::to_string(::getpid()).c_str(), 1);  // not our parent
  auto link = HotSyncLink::FromEnvironment();
  ::unsetenv(kHotSyncFolderEnv);
  ::unsetenv(kHotSyncLauncherEnv);
  EXPECT_EQ(link->folder_path(), tmp.path());
  EXPECT_FALSE(link->IsSyncInProgress());
}

TEST(HotSyncLinkTest, AlwaysSourceNeedsAUsableFolder) {
  TempDir tmp;
  std::string dir = tmp.Sub("hh");
  HotSyncLink link(dir, HotSyncLink::Source::kAlways);
  EXPECT_TRUE(link.IsSyncInProgress());
  EXPECT_EQ(link.Folder().path(), dir);
  EXPECT_EQ(&link.Folder(), &link.Folder());  // one folder for the run

  std::filesystem::remove(dir);
  for (int round = 0; round < 2; ++round) {
    try {
      if (round == 0) link.IsSyncInProgress();
      if (round == 1) link.Folder();
      FAIL() << "gone folder accepted";
    } catch (const ConduitError& e) {
      EXPECT_EQ(e.number(), err::kNoHotSyncLink);
    }
  }
}

}  // namespace
}  // namespace corvane
