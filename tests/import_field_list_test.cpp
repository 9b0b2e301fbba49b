#include <gtest/gtest.h>

#include "handheld/field_list.h"
#include "handheld_builder.h"
#include "support/conduit_error.h"

namespace corvane {
namespace {

using testing::HandheldTest;

class FieldListTest : public HandheldTest {};

TEST_F(FieldListTest, NamesAreTrimmedOfSpacesAndJoinedUnescaped) {
  struct Case {
    const char* label;
    std::vector<std::string> names;
    std::string line;
  } cases[] = {
      {"three names", {"first", "second", "third"}, "^first|second|third"},
      {"one blank name", {"   "}, "^"},
      {"inner spaces stay", {" two words "}, "^two words"},
      {"only spaces are trimmed", {"\tname\t "}, "^\tname\t"},
      {"separators unescaped", {"a|b", "^c", ""}, "^a|b|^c|"},
      {"ANSI bytes kept", {"D\xE9part"}, "^D\xE9part"},
  };
  for (const Case& c : cases) {
    std::vector<Bytes> records;
    for (const auto& n : c.names) records.push_back(testing::SchemaRecord(n));
    builder.AddDatabase(kSchemaDatabase, records);
    frm.fieldCount = 99;
    EXPECT_EQ(getFieldList(frm, link), c.line) << c.label;
    EXPECT_EQ(frm.fieldCount, static_cast<int16_t>(c.names.size())) << c.label;
  }
  EXPECT_TRUE(window.messages.empty());
  EXPECT_TRUE(window.log_items.empty());  // nothing logged on success
}

TEST_F(FieldListTest, OtherSchemaFieldsDoNotShiftTheName) {
  builder.AddDatabase(kSchemaDatabase,
                      {testing::SchemaRecord(-2, "", "", "a"),
                       testing::SchemaRecord(300, "Custom type", "Long display", "b")});
  EXPECT_EQ(getFieldList(frm, link), "^a|b");
}

TEST_F(FieldListTest, EmptySchemaGivesNothingSilently) {
  builder.AddDatabase(kSchemaDatabase, {});
  frm.fieldCount = 7;
  EXPECT_EQ(getFieldList(frm, link), "");
  EXPECT_EQ(frm.fieldCount, 0);
  EXPECT_TRUE(window.messages.empty());
}

TEST_F(FieldListTest, MissingSchemaIsReportedAsNotFound) {
  frm.currentVerboseLevel = 5;
  frm.fieldCount = 7;
  EXPECT_EQ(getFieldList(frm, link), "");
  EXPECT_EQ(frm.fieldCount, 0);
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].text, "Record, Databse etc. not found.");
  EXPECT_EQ(window.messages[0].title, "PDA2PCCorvaneDB Error!!");
  EXPECT_EQ(window.messages[0].buttons, MessageButtons::kOk);
  EXPECT_EQ(window.activity, "Error in Synchronization.");
  EXPECT_EQ(window.log_items, std::vector<std::string>{"Record, Databse etc. not found."});
}

TEST_F(FieldListTest, DamagedSchemaFileShowsNumberAndDescription) {
  builder.AddDatabase(kSchemaDatabase, {testing::SchemaRecord("a"), testing::SchemaRecord("b")});
  // Header and record list only: the records' offsets point past the end.
  std::string bytes = testing::ReadFileBytes(builder.DatabasePath(kSchemaDatabase));
  testing::WriteFileBytes(builder.DatabasePath(kSchemaDatabase), bytes.substr(0, 78 + 2 * 8));
  EXPECT_EQ(getFieldList(frm, link), "");
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].text.rfind(std::to_string(err::kDamagedDatabase) + " - ", 0), 0u)
      << window.messages[0].text;
  EXPECT_EQ(window.messages[0].title, "PDA2PCCorvaneDB Error!!");
}

}  // namespace
}  // namespace corvane
