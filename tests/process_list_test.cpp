// modProcessList: the regular-expression test, the /proc snapshot with real
// child processes, and the walk's answers and log lines.

#include "support/process_list.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "fake_window.h"
#include "support/frm_main.h"
#include "support/mod_process_list.h"
#include "temp_dir.h"

namespace corvane {
namespace {

using namespace std::string_literals;
using testing::TempDir;
using testing::WriteFileBytes;

const std::string kStartUpPattern = R"((?:\\|^)corvane(?!conduit)[^\\]*\.exe)";

TEST(RegExpTest, StartUpPatternOnExecutableNames) {
  struct Case {
    std::string name;
    bool matches;
  } cases[] = {
      {"Corvane.exe", true},
      {"CORVANE.EXE", true},
      {"corvane2.exe", true},
      {"Corvane Logbook.exe", true},
      {"C:\\Programs\\Corvane\\Corvane.exe", true},
      {"Corvane.exe.bak", true},  // .exe anywhere after the name
      {"CorvaneConduit.exe", false},
      {"corvaneconduit.exe", false},
      {"C:\\Programs\\Corvane\\CorvaneConduit.exe", false},
      {"MyCorvane.exe", false},
      {"Corvane.com", false},
      {"Corvane", false},
      {"C:\\Corvane\\Tools.exe", false},  // no folder may stand between
      {"x\ncorvane.exe", false},          // '^' is the start of the name only
      {"", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(RegExpTest(kStartUpPattern, c.name, true), c.matches) << c.name;
}

TEST(RegExpTest, CaseFlagAndRefusedPatterns) {
  EXPECT_FALSE(RegExpTest(kStartUpPattern, "CORVANE.EXE", false));
  EXPECT_TRUE(RegExpTest(kStartUpPattern, "corvane.exe", false));
  EXPECT_TRUE(RegExpTest("(?:^|,)1(?:,|$)", "3,1", true));
  EXPECT_FALSE(RegExpTest("(?:^|,)1(?:,|$)", "3,10", true));
  EXPECT_FALSE(RegExpTest("(", "(", true));  // the engine refuses it: no match
}

TEST(ProcessNameTest, FromCommandLineOrComm) {
  struct Case {
    std::string cmdline;
    std::string comm;
    std::string name;
  } cases[] = {
      {"/usr/bin/sleep\0"s + "30\0"s, "sleep\n", "sleep"},
      {"Corvane.exe\0"s, "exe\n", "Corvane.exe"},
      {"C:\\Programs\\Corvane\\Corvane.exe\0"s, "wine\n", "C:\\Programs\\Corvane\\Corvane.exe"},
      {"/opt/w/C:\\Corvane.exe\0"s, "x\n", "C:\\Corvane.exe"},
      {"", "kthreadd\n", "kthreadd"},
      {"\0"s + "arg\0"s, "zombie\n", "zombie"},
  };
  for (const auto& c : cases) EXPECT_EQ(ProcessNameFrom(c.cmdline, c.comm), c.name) << c.name;
}

TEST(SystemProcessListTest, ReadsAProcFolderInPidOrder) {
  TempDir proc;
  WriteFileBytes(proc.File("10/cmdline"), "/usr/bin/ten\0-x\0"s);
  WriteFileBytes(proc.File("10/comm"), "ten\n");
  WriteFileBytes(proc.File("2/cmdline"), "");
  WriteFileBytes(proc.File("2/comm"), "kworker/0:1\n");
  WriteFileBytes(proc.File("9/cmdline"), "C:\\W\\Corvane.exe\0"s);
  proc.Sub("7");  // ended while the folder was read
  WriteFileBytes(proc.File("self/cmdline"), "not-a-process\0"s);
  WriteFileBytes(proc.File("cpuinfo"), "");
  auto names = MakeSystemProcessList(proc.path())->Snapshot();
  ASSERT_TRUE(names);
  EXPECT_EQ(*names, (std::vector<std::string>{"kworker/0:1", "C:\\W\\Corvane.exe", "ten"}));

  EXPECT_FALSE(MakeSystemProcessList(proc.path() + "/missing")->Snapshot());
}

// A child that sleeps under the given argv[0].
class NamedChild {
 public:
  explicit NamedChild(const std::string& name) {
    pid_ = ::fork();
    if (pid_ == 0) {
      char* argv[] = {const_cast<char*>(name.c_str()), const_cast<char*>("30"), nullptr};
      ::execv("/bin/sleep", argv);
      ::_exit(127);
    }
  }
  ~NamedChild() { Stop(); }
  void Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
};

bool SnapshotHas(const std::string& name) {
  auto names = MakeSystemProcessList()->Snapshot();
  return names && std::find(names->begin(), names->end(), name) != names->end();
}

// The child needs a moment to exec under its new name.
bool EventuallySeen(const std::string& name) {
  for (int i = 0; i < 200; ++i) {
    if (SnapshotHas(name)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  return false;
}

class DetectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    frm.appPath = log_dir.path();
    frm.currentVerboseLevel = 20;
  }
  TempDir log_dir;
  testing::FakeWindow window;
  testing::FakeClock clock;
  FrmMain frm{window, clock};
};

TEST_F(DetectionTest, RealChildProcessesUnderWindowsNames) {
  struct Case {
    std::string name;
    bool matches;
  } cases[] = {{"Corvane.exe", true},
               {"CORVANE.EXE", true},
               {"CorvaneConduit.exe", false},
               {"C:\\Programs\\Corvane\\Corvane.exe", true}};
  for (const auto& c : cases) {
    NamedChild child(c.name);
    ASSERT_TRUE(EventuallySeen(c.name)) << c.name;
    EXPECT_EQ(RegExpTest(kStartUpPattern, c.name, true), c.matches) << c.name;
    if (c.matches) {
      EXPECT_EQ(IsProcessRunning(frm, *MakeSystemProcessList(), kStartUpPattern, true), true);
    }
  }
}

// Other tests may run a PC application at the same time; a name of this
// test's own shows the walk's answer both ways.
TEST_F(DetectionTest, AnswerFollowsTheProcessComingAndGoing) {
  const std::string name = "C:\\Programs\\Corvane\\Corvane-" + std::to_string(::getpid()) + ".exe";
  const std::string pattern = R"(\\corvane-)" + std::to_string(::getpid()) + R"(\.exe$)";
  NamedChild child(name);
  ASSERT_TRUE(EventuallySeen(name));
  EXPECT_TRUE(RegExpTest(kStartUpPattern, name, true));
  EXPECT_EQ(IsProcessRunning(frm, *MakeSystemProcessList(), pattern, true), true);
  EXPECT_EQ(window.log_items.back(), name);
  child.Stop();
  window.log_items.clear();
  EXPECT_EQ(IsProcessRunning(frm, *MakeSystemProcessList(), pattern, true), false);
  EXPECT_GT(window.log_items.size(), 1u);  // every process examined
}

TEST_F(DetectionTest, ThePeerIsSeenAsThePcApplication) {
  TempDir exchange;
  pid_t peer = ::fork();
  if (peer == 0) {
    std::string bin = CORVANE_BIN_DIR "/corvane-peer";
    ::execl(bin.c_str(), bin.c_str(), "--exchange", exchange.path().c_str(), "--sleep", "30",
            nullptr);
    ::_exit(127);
  }
  EXPECT_TRUE(EventuallySeen("Corvane.exe"));
  EXPECT_EQ(IsProcessRunning(frm, *MakeSystemProcessList(), kStartUpPattern, true), true);
  ::kill(peer, SIGKILL);
  ::waitpid(peer, nullptr, 0);
}

// A scripted snapshot.
class ListedProcesses : public ProcessList {
 public:
  explicit ListedProcesses(std::optional<std::vector<std::string>> names)
      : names_(std::move(names)) {}
  std::optional<std::vector<std::string>> Snapshot() const override { return names_; }

 private:
  std::optional<std::vector<std::string>> names_;
};

TEST_F(DetectionTest, WalkLogsEveryNameUpToTheFirstMatch) {
  ListedProcesses processes(std::vector<std::string>{"systemd", "  bash ", "CorvaneConduit.exe",
                                                     "Corvane.exe", "corvane2.exe", "Xorg"});
  EXPECT_EQ(IsProcessRunning(frm, processes, kStartUpPattern, true), true);
  EXPECT_EQ(window.log_items,
            (std::vector<std::string>{"systemd", "bash", "CorvaneConduit.exe", "Corvane.exe"}));
  std::string log = testing::ReadFileBytes(log_dir.path() + "/palmSynclog.txt");
  EXPECT_NE(log.find(" | bash\r\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("corvane2.exe"), std::string::npos);
}

TEST_F(DetectionTest, ThreeAnswers) {
  struct Case {
    std::optional<std::vector<std::string>> names;
    std::optional<bool> answer;
    size_t logged;
  } cases[] = {
      {std::nullopt, std::nullopt, 0},                                // no snapshot
      {std::vector<std::string>{}, false, 0},                         // nothing delivered
      {std::vector<std::string>{"init", "MyCorvane.exe"}, false, 2},  // every name examined
      {std::vector<std::string>{"Corvane\0.exe"s}, false, 1},         // nothing after a zero counts
      {std::vector<std::string>{"Corvane.exe\0x"s}, true, 1},
  };
  for (const auto& c : cases) {
    window.log_items.clear();
    EXPECT_EQ(IsProcessRunning(frm, ListedProcesses(c.names), kStartUpPattern, true), c.answer);
    EXPECT_EQ(window.log_items.size(), c.logged);
  }
  EXPECT_EQ(window.log_items.back(), "Corvane.exex");  // logged without its zero
}

TEST_F(DetectionTest, BelowVerbosity20TheWalkLogsNothing) {
  frm.currentVerboseLevel = 19;
  ListedProcesses processes(std::vector<std::string>{"init", "Corvane.exe"});
  EXPECT_EQ(IsProcessRunning(frm, processes, kStartUpPattern, true), true);
  EXPECT_TRUE(window.log_items.empty());
}

}  // namespace
}  // namespace corvane
