// Inputs that used to end the conduit: a process that ends while the
// process list reads it, and a process name long enough to exhaust the
// stack of a backtracking regular-expression engine.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "control/startup.h"
#include "fixtures/temp_dir.h"
#include "platform/system_process_list.h"
#include "support/conduit_error.h"
#include "support/mod_process_list.h"
#include "support/text_file.h"

namespace corvane {
namespace {

using namespace std::string_literals;
using testing::TempDir;
using testing::WriteFileBytes;

// The conduit's own pattern for the PC application.
const std::string kStartUpPattern = kPcApplicationPattern;

TEST(ProcessListCrashTest, ProcessesWhoseFilesCannotBeReadAreLeftOut) {
  TempDir proc;
  for (const char* pid : {"1", "2", "3", "4", "5", "6"}) {
    WriteFileBytes(proc.File(std::string(pid) + "/cmdline"), pid + "-name\0"s);
  }
  std::filesystem::remove(proc.File("2/cmdline"));
  proc.Sub("2/cmdline");  // a read that fails (EISDIR) on the real reader
  WriteFileBytes(proc.File("3/cmdline"), "");
  proc.Sub("3/comm");
  auto real = MakeSystemProcessList(proc.path())->Snapshot();
  ASSERT_TRUE(real);
  EXPECT_EQ(*real, (std::vector<std::string>{"1-name", "4-name", "5-name", "6-name"}));

  // Processes that end, or are not ours to see, between listing and reading.
  const std::map<std::string, int> failures = {{"4", ESRCH}, {"5", EACCES}, {"6", EIO}};
  auto injected = MakeSystemProcessList(proc.path(), [&](const std::string& path) {
    const std::string pid = path.substr(proc.path().size() + 1, 1);
    if (failures.count(pid)) throw ConduitError::FromErrno(failures.at(pid), path);
    return ReadWholeFile(path);
  });
  EXPECT_EQ(*injected->Snapshot(), std::vector<std::string>{"1-name"});
}

TEST(RegExpCrashTest, NamesOfAMegabyte) {
  const std::string mb(1 << 20, 'x');
  std::string separated;
  for (int i = 0; i < (1 << 17); ++i) separated += "\\corvane";
  struct Case {
    std::string pattern, text;
    bool matches;
  } cases[] = {
      {kStartUpPattern, "corvane" + mb + ".exe", true},
      {kStartUpPattern, "Corvane" + mb, false},
      {kStartUpPattern, "CorvaneConduit" + mb + ".exe", false},
      {kStartUpPattern, separated + ".EXE", true},
      {kStartUpPattern, separated, false},
      {kStartUpPattern, std::string(1 << 20, 'c'), false},
      {"(?:^|,)1(?:,|$)", mb + ",1", true},
      {"(?:^|,)1(?:,|$)", std::string(1 << 20, ','), false},
  };
  for (const auto& c : cases) EXPECT_EQ(RegExpTest(c.pattern, c.text, true), c.matches);
}

// The same answers as the standard library's ECMAScript engine on many short
// names built from the pieces the patterns care about.
TEST(RegExpCrashTest, AnswersAsTheEcmaScriptGrammarDoes) {
  const std::vector<std::string> pieces = {"corvane", "CorVane", "conduit", "CONDUIT", "\\",
                                           ".exe",    ".EXE",    ".ex",     "x",       " ",
                                           ",",       "1",       "X1",      "\n",      "c:"};
  struct Engine {
    std::string pattern;
    bool icase;
    std::regex yardstick;
  };
  std::vector<Engine> engines;
  for (const char* pattern : {kStartUpPattern.c_str(), "(?:^|,)1(?:,|$)", "(?:^|,)x1(?:,|$)"}) {
    engines.push_back({pattern, true, std::regex(pattern, std::regex::icase)});
    engines.push_back({pattern, false, std::regex(pattern)});
  }
  std::mt19937 random(12345);
  std::set<bool> seen;
  for (int i = 0; i < 10000; ++i) {
    std::string name;
    for (int n = random() % 7; n > 0; --n) name += pieces[random() % pieces.size()];
    for (const Engine& e : engines) {
      const bool expected = std::regex_search(name, e.yardstick);
      ASSERT_EQ(RegExpTest(e.pattern, name, e.icase), expected) << e.pattern << " on " << name;
      seen.insert(expected);
    }
  }
  EXPECT_EQ(seen.size(), 2u);  // both answers were put to the test
}

}  // namespace
}  // namespace corvane
