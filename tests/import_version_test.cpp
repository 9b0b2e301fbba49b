#include <gtest/gtest.h>

#include <filesystem>

#include "handheld/version_import.h"
#include "handheld_builder.h"
#include "support/conduit_error.h"

namespace corvane {
namespace {

using testing::HandheldTest;
using testing::ReadFileBytes;
using testing::TextsRecord;
using testing::WriteFileBytes;

class VersionImportTest : public HandheldTest {};

TEST_F(VersionImportTest, ThirdTextOfTheFirstRecordIsWrittenWithoutLineEnd) {
  struct Case {
    const char* label;
    std::vector<Bytes> records;
    std::string version;
  } cases[] = {
      {"one record", {TextsRecord({"pilot", "x", "2.1.0"})}, "2.1.0"},
      {"only the first of several",
       {TextsRecord({"a", "b", "3.0"}), TextsRecord({"c", "d", "9.9"})},
       "3.0"},
      {"empty third text", {TextsRecord({"a", "b", ""})}, ""},
      {"spaces kept", {TextsRecord({"", "", " 1.0 "})}, " 1.0 "},
      {"record ends early", {TextsRecord({"a"})}, ""},
  };
  frm.currentVerboseLevel = 5;
  for (const Case& c : cases) {
    WriteFileBytes(Exchange("version.txt"), "a longer old version text");
    builder.AddDatabase(kPrefDatabase, c.records);
    window.log_items.clear();
    ASSERT_TRUE(GetVesion(frm, link)) << c.label;
    EXPECT_EQ(ReadFileBytes(Exchange("version.txt")), c.version) << c.label;
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
    const char* label;
    bool prefExists;
    bool exchangeExists;
    int32_t number;
  } cases[] = {
      {"missing preferences", false, true, err::kNotFound},
      {"missing exchange folder", true, false, ENOENT},
  };
  frm.currentVerboseLevel = 50;
  for (const Case& c : cases) {
    std::filesystem::remove(builder.DatabasePath(kPrefDatabase));
    if (c.prefExists) builder.AddDatabase(kPrefDatabase, {TextsRecord({"a", "b", "2.0"})});
    frm.syncPath = c.exchangeExists ? temp.Sub("exchange") + "/" : temp.path() + "/gone/";
    window.messages.clear();
    window.log_items.clear();

    EXPECT_FALSE(GetVesion(frm, link)) << c.label;
    ASSERT_EQ(window.messages.size(), 1u) << c.label;
    // The number follows the full stop directly.
    std::string prefix =
        "Error in initialising sync operations." + std::to_string(c.number) + " - ";
    EXPECT_EQ(window.messages[0].text.rfind(prefix, 0), 0u) << window.messages[0].text;
    EXPECT_EQ(window.messages[0].title, "Corvane Conduit");
    EXPECT_EQ(window.messages[0].buttons, MessageButtons::kOk);
    EXPECT_EQ(window.activity, "Error in Synchronization.");
    for (const auto& item : window.log_items) {
      EXPECT_EQ(item.find("Error in initialising"), std::string::npos) << c.label;
    }
  }
}

}  // namespace
}  // namespace corvane
