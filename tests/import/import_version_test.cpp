#include <gtest/gtest.h>

#include <filesystem>

#include "fixtures/handheld_builder.h"
#include "import/version_import.h"
#include "support/conduit_error.h"

namespace corvane {
namespace {

using testing::HandheldTest;
using testing::ReadFileBytes;
using testing::TextsRecord;
using testing::WriteFileBytes;

using VersionImportTest = HandheldTest;

TEST_F(VersionImportTest, ThirdTextOfTheFirstRecordIsWrittenWithoutLineEnd) {
  struct Case {
    std::vector<Bytes> records;
    std::string version;
  } cases[] = {
      {{TextsRecord({"pilot", "x", "2.1.0"})}, "2.1.0"},
      {{TextsRecord({"a", "b", "3.0"}), TextsRecord({"c", "d", "9.9"})}, "3.0"},  // only the first
      {{TextsRecord({"a", "b", ""})}, ""},
      {{TextsRecord({"", "", " 1.0 "})}, " 1.0 "},
      {{TextsRecord({"a"})}, ""},  // the record ends early
  };
  frm.currentVerboseLevel = 5;
  for (const Case& c : cases) {
    WriteFileBytes(Exchange("version.txt"), "a longer old version text");
    builder.AddDatabase(kPrefDatabase, c.records);
    window.log_items.clear();
    ASSERT_TRUE(GetVesion(frm, link)) << c.version;
    EXPECT_EQ(ReadFileBytes(Exchange("version.txt")), c.version);
    EXPECT_EQ(window.log_items, std::vector<std::string>{"palm app version is " + c.version});
  }
  EXPECT_TRUE(window.messages.empty());
}

TEST_F(VersionImportTest, NoRecordFailsSilentlyAndKeepsTheOldFile) {
  WriteFileBytes(Exchange("version.txt"), "1.0");
  builder.AddDatabase(kPrefDatabase, {});
  frm.currentVerboseLevel = 50;
  EXPECT_FALSE(GetVesion(frm, link));
  EXPECT_EQ(ReadFileBytes(Exchange("version.txt")), "1.0");
  EXPECT_TRUE(window.messages.empty());
  EXPECT_TRUE(window.log_items.empty());
  EXPECT_TRUE(window.activity.empty());
}

TEST_F(VersionImportTest, ErrorsAreShownButNotLogged) {
  struct Case {
    bool prefExists;  // else the exchange folder is missing
    int32_t number;
  } cases[] = {{false, err::kNotFound}, {true, ENOENT}};
  frm.currentVerboseLevel = 50;
  for (const Case& c : cases) {
    std::filesystem::remove(builder.DatabasePath(kPrefDatabase));
    if (c.prefExists) builder.AddDatabase(kPrefDatabase, {TextsRecord({"a", "b", "2.0"})});
    frm.syncPath = c.prefExists ? temp.path() + "/gone/" : temp.Sub("exchange") + "/";
    window.messages.clear();
    window.log_items.clear();
    window.activity.clear();
    EXPECT_FALSE(GetVesion(frm, link)) << c.number;
    // The number follows the full stop directly.
    ExpectFailure("Corvane Conduit",
                  "Error in initialising sync operations." + std::to_string(c.number) + " - ");
    for (const auto& item : window.log_items) {
      EXPECT_EQ(item.find("Error in initialising"), std::string::npos) << c.number;
    }
  }
}

}  // namespace
}  // namespace corvane
