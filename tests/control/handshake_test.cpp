#include "control/handshake.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "fixtures/conduit_test_fixture.h"

namespace corvane {
namespace {

using testing::ConduitTest;
using testing::ReadFileBytes;
using testing::WriteFileBytes;

class HandshakeTest : public ConduitTest {
 protected:
  void SetFlag(const std::string& bytes) { WriteFileBytes(Exchange("status.flag"), bytes); }
};

TEST_F(HandshakeTest, FlagContentIsTrimmedOfSpacesOnlyAndLowerCased) {
  struct Case {
    std::string content;
    std::string status;
  } cases[] = {
      {"  STAGE3 PC2PDA  ", "stage3 pc2pda"},
      {"stage3 pc2pda\r\n", "stage3 pc2pda\r\n"},  // a line end is not trimmed
      {"stage3  pc2pda", "stage3  pc2pda"},
      {"\tstage1 pda2pc", "\tstage1 pda2pc"},
      {"   ", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    SetFlag(c.content);
    EXPECT_EQ(GetFlagStatus(frm), c.status) << "content: " << c.content;
  }
}

TEST_F(HandshakeTest, FlagNameIsFoundInAnyLetterCase) {
  WriteFileBytes(Exchange("STATUS.FLAG"), "stage1 pda2pc");
  EXPECT_EQ(GetFlagStatus(frm), "stage1 pda2pc");
  ASSERT_TRUE(WriteFlagStatus(frm, "stage2 waiting pc"));
  EXPECT_EQ(ReadFileBytes(Exchange("STATUS.FLAG")), "stage2 waiting pc");
  EXPECT_FALSE(std::filesystem::exists(Exchange("status.flag")));
}

TEST_F(HandshakeTest, ReaderTracesAtTheirLevels) {
  frm.currentVerboseLevel = 50;
  SetFlag(" Stage1 PDA2PC ");
  GetFileContent(frm, Exchange("status.flag"));
  std::filesystem::remove(Exchange("status.flag"));
  GetFlagStatus(frm);
  SetFlag("");
  GetFlagStatus(frm);
  EXPECT_EQ(
      LogMessages(),
      (std::vector<std::string>{
          "GFC:reading status from " + Exchange("status.flag"), "GFC:reading content from file",
          "GFC:ContentLength=15", "GFC:Content=stage1 pda2pc", "GFS:reading status from flag file",
          "GFS:no flag file", "GFS:reading status from flag file", "GFS:empty flag file"}));
  // Nothing above level 20 passes a threshold of 20.
  frm.currentVerboseLevel = 20;
  std::filesystem::remove(LogFile());
  SetFlag("stage1 pda2pc");
  GetFileContent(frm, Exchange("status.flag"));
  EXPECT_EQ(LogMessages().size(), 3u);
}

TEST_F(HandshakeTest, WriteReplacesLongerContentExactly) {
  SetFlag("stage3 pc2pda and a much longer tail");
  ASSERT_TRUE(WriteFlagStatus(frm, "stage4 alldone"));
  EXPECT_EQ(ReadFileBytes(Exchange("status.flag")), "stage4 alldone");  // exactly 14 bytes
  // No temporary file is left beside it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(frm.syncPath), {}), 1);
}

TEST_F(HandshakeTest, WriteIntoMissingFolderFailsAndLogsTheError) {
  frm.currentVerboseLevel = 5;
  frm.syncPath = temp.path() + "/missing/";
  EXPECT_FALSE(WriteFlagStatus(frm, "stage2 waiting pc"));
  ASSERT_EQ(window.log_items.size(), 1u);
  EXPECT_EQ(window.log_items[0].rfind("2 - ", 0), 0u) << window.log_items[0];
}

TEST_F(HandshakeTest, PollsSeeChangesOnceAndAVanishingFileAsAChange) {
  frm.currentVerboseLevel = 5;
  struct Step {
    const char* content;  // nullptr: the file is missing
    bool changed;
    const char* status;
  } steps[] = {
      {"stage1 pda2pc", true, "stage1 pda2pc"},  // first poll after the empty start
      {"stage1 pda2pc", false, "stage1 pda2pc"},
      {"stage2 waiting pc", true, "stage2 waiting pc"},
      {nullptr, true, ""},
      {"stage2 waiting pc", true, "stage2 waiting pc"},
      {"stage3 pc2pda\r\n", true, "stage3 pc2pda\r\n"},
  };
  for (const Step& s : steps) {
    std::filesystem::remove(Exchange("status.flag"));
    if (s.content) SetFlag(s.content);
    CheckStatusChange(frm);
    EXPECT_EQ(frm.statusChanged, s.changed) << (s.content ? s.content : "(missing)");
    EXPECT_EQ(frm.lastStatus, s.status);
  }
  EXPECT_EQ(window.log_items[2], "FLAG status changed from 'stage2 waiting pc' to ''");
  EXPECT_EQ(window.log_items[3], "FLAG status changed from '' to 'stage2 waiting pc'");
}

TEST_F(HandshakeTest, VerbosityFromFileOrKeptOnAnyProblem) {
  constexpr int16_t kKept = 42;
  const std::pair<const char*, int16_t> values[] = {
      {"20", 20},     {"7.5", 8},       {"6.5", 6},       {"-1", -1},
      {"+5", 5},      {"0.5", 0},       {"1.5", 2},       {"2.51", 3},
      {"-2.5", -2},   {"5.", 5},        {".6", 1},        {" 20\r\n", 20},
      {"\t10\t", 10}, {" 50 \r\n", 50}, {"32767", 32767}, {"-32768", -32768}};
  for (const auto& [content, expected] : values) {
    WriteFileBytes(Exchange("verbose.txt"), content);
    EXPECT_EQ(LoadVerboseLevel(frm, kKept), expected) << content;
  }
  WriteFileBytes(Exchange("verbose.txt"), std::string(22, '0') + "7");
  EXPECT_EQ(LoadVerboseLevel(frm, kKept), 7);
  for (const char* content :
       {"99999", "32768", "1e3", "letters", "", "-", "1 2", "99999999999999999999999"}) {
    WriteFileBytes(Exchange("verbose.txt"), content);
    EXPECT_EQ(LoadVerboseLevel(frm, kKept), kKept) << content;
  }
  std::filesystem::remove(Exchange("verbose.txt"));
  EXPECT_EQ(LoadVerboseLevel(frm, kKept), kKept);
}

TEST_F(HandshakeTest, VerbosityLoaderLogsAtTheThresholdInForce) {
  WriteFileBytes(Exchange("verbose.txt"), "x");
  frm.currentVerboseLevel = 5;
  EXPECT_EQ(LoadVerboseLevel(frm, 5), 5);
  EXPECT_EQ(LogMessages(), (std::vector<std::string>{"loading verbose level option",
                                                     "13 - Type mismatch", "kept same value - 5"}));
  std::filesystem::remove(LogFile());
  frm.currentVerboseLevel = 1;  // at start-up none of the loader's lines passes
  LoadVerboseLevel(frm, 1);
  EXPECT_TRUE(LogMessages().empty());
}

}  // namespace
}  // namespace corvane
