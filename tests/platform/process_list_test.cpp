// modProcessList: the regular-expression test, the /proc snapshot with real
// child processes, and the walk's answers and log lines.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "fixtures/child_process.h"
#include "fixtures/fake_window.h"
#include "fixtures/pc_application_names.h"
#include "fixtures/temp_dir.h"
#include "platform/system_process_list.h"
#include "support/frm_main.h"
#include "support/mod_process_list.h"

namespace corvane {
namespace {

using namespace std::string_literals;
using testing::TempDir;
using testing::WriteFileBytes;

const std::string kStartUpPattern = R"((?:\\|^)corvane(?!conduit)[^\\]*\.exe)";

TEST(RegExpTest, PatternsAndCaseFlag) {
  struct Case {
    std::string pattern, text;
    bool ignore_case, matches;
  } cases[] = {
      {kStartUpPattern, "Corvane.exe", true, true},
      {kStartUpPattern, "CORVANE.EXE", true, true},
      {kStartUpPattern, "corvane2.exe", true, true},
      {kStartUpPattern, "Corvane Logbook.exe", true, true},
      {kStartUpPattern, "C:\\Programs\\Corvane\\Corvane.exe", true, true},
      {kStartUpPattern, "Corvane.exe.bak", true, true},  // .exe anywhere after the name
      {kStartUpPattern, "CorvaneConduit.exe", true, false},
      {kStartUpPattern, "corvaneconduit.exe", true, false},
      {kStartUpPattern, "C:\\Programs\\Corvane\\CorvaneConduit.exe", true, false},
      {kStartUpPattern, "MyCorvane.exe", true, false},
      {kStartUpPattern, "Corvane.com", true, false},
      {kStartUpPattern, "Corvane", true, false},
      {kStartUpPattern, "C:\\Corvane\\Tools.exe", true, false},  // no folder may stand between
      {kStartUpPattern, "x\ncorvane.exe", true, false},  // '^' is the start of the name only
      {kStartUpPattern, "", true, false},
      {kStartUpPattern, "CORVANE.EXE", false, false},
      {kStartUpPattern, "corvane.exe", false, true},
      {"(?:^|,)1(?:,|$)", "3,1", true, true},
      {"(?:^|,)1(?:,|$)", "3,10", true, false},
      {"(", "(", true, false},  // the engine refuses it: no match
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RegExpTest(c.pattern, c.text, c.ignore_case), c.matches)
        << c.pattern << " " << c.text;
  }
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
std::unique_ptr<testing::ChildProcess> NamedChild(const std::string& name,
                                                  const std::string& program = "/bin/sleep",
                                                  const std::vector<std::string>& args = {"30"}) {
  testing::ChildProcess::Options o;
  o.program = program;
  o.args = args;
  o.argv0 = name;
  return std::make_unique<testing::ChildProcess>(o);
}

// The child needs a moment to exec under its new name.
bool EventuallySeen(const std::string& name) {
  return testing::WaitUntil(
      [&] {
        auto names = MakeSystemProcessList()->Snapshot();
        return names && std::find(names->begin(), names->end(), name) != names->end();
      },
      5);
}

class DetectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    frm.appPath = log_dir.path();
    frm.currentVerboseLevel = 20;
  }
  std::optional<bool> Running(const std::string& pattern = kStartUpPattern) {
    return IsProcessRunning(frm, *MakeSystemProcessList(), pattern, true);
  }
  testing::PcApplicationNames pc_names;  // these tests start processes under its names
  TempDir log_dir;
  testing::FakeWindow window;
  testing::FakeClock clock;
  FrmMain frm{window, clock};
};

TEST_F(DetectionTest, RealChildProcessesUnderWindowsNames) {
  for (const std::string name :
       {"Corvane.exe", "CORVANE.EXE", "C:\\Programs\\Corvane\\Corvane.exe"}) {
    auto child = NamedChild(name);
    ASSERT_TRUE(EventuallySeen(name)) << name;
    EXPECT_EQ(Running(), true) << name;
  }
  // The conduit itself is no PC application; others may run one meanwhile,
  // so only the name's match is checked here.
  auto conduit = NamedChild("CorvaneConduit.exe");
  ASSERT_TRUE(EventuallySeen("CorvaneConduit.exe"));
  EXPECT_FALSE(RegExpTest(kStartUpPattern, "CorvaneConduit.exe", true));
}

// Other tests may run a PC application at the same time; a name of this
// test's own shows the walk's answer both ways.
TEST_F(DetectionTest, AnswerFollowsTheProcessComingAndGoing) {
  const std::string id = std::to_string(::getpid());
  const std::string name = "C:\\Programs\\Corvane\\Corvane-" + id + ".exe";
  const std::string pattern = R"(\\corvane-)" + id + R"(\.exe$)";
  auto child = NamedChild(name);
  ASSERT_TRUE(EventuallySeen(name));
  EXPECT_TRUE(RegExpTest(kStartUpPattern, name, true));
  EXPECT_EQ(Running(pattern), true);
  EXPECT_EQ(window.log_items.back(), name);
  child.reset();
  window.log_items.clear();
  EXPECT_EQ(Running(pattern), false);
  EXPECT_GT(window.log_items.size(), 1u);  // every process examined
}

TEST_F(DetectionTest, ThePeerIsSeenAsThePcApplication) {
  TempDir exchange;
  const std::string peer_bin = CORVANE_BIN_DIR "/corvane-peer";
  auto peer = NamedChild(peer_bin, peer_bin, {"--exchange", exchange.path(), "--sleep", "30"});
  EXPECT_TRUE(EventuallySeen("Corvane.exe"));
  EXPECT_EQ(Running(), true);
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

TEST_F(DetectionTest, ThreeAnswersAndTheNamesLoggedOnTheWay) {
  using Names = std::vector<std::string>;
  struct Case {
    std::optional<Names> names;
    int level;
    std::optional<bool> answer;
    Names logged;
  } cases[] = {
      {std::nullopt, 20, std::nullopt, {}},  // no snapshot
      {Names{}, 20, false, {}},              // nothing delivered
      {Names{"systemd", "  bash ", "CorvaneConduit.exe", "Corvane.exe", "corvane2.exe", "Xorg"},
       20,
       true,
       {"systemd", "bash", "CorvaneConduit.exe", "Corvane.exe"}},  // up to the first match
      {Names{"init", "MyCorvane.exe"}, 20, false, {"init", "MyCorvane.exe"}},
      {Names{"Corvane\0.exe"s}, 20, false, {"Corvane.exe"}},   // nothing after a zero counts
      {Names{"Corvane.exe\0x"s}, 20, true, {"Corvane.exex"}},  // logged without its zero
      {Names{"init", "Corvane.exe"}, 19, true, {}},
  };
  for (const auto& c : cases) {
    window.log_items.clear();
    frm.currentVerboseLevel = c.level;
    EXPECT_EQ(IsProcessRunning(frm, ListedProcesses(c.names), kStartUpPattern, true), c.answer);
    EXPECT_EQ(window.log_items, c.logged);
  }
  const std::string log = testing::ReadFileBytes(log_dir.path() + "/palmSynclog.txt");
  EXPECT_NE(log.find(" | bash\r\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("corvane2.exe"), std::string::npos);
}

}  // namespace
}  // namespace corvane
