#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "export/schema_export.h"
#include "fixtures/handheld_builder.h"
#include "support/conduit_error.h"

namespace corvane {
namespace {

using testing::ReadFileBytes;
using testing::SchemaRecord;
using testing::WriteFileBytes;

constexpr const char* kSchema = "CRVN_Corvane_Schema";
constexpr const char* kTitle = "PC2PDACorvaneSchema Error!!";

// The record as the handheld receives it: the whole 201-byte buffer.
Bytes Expected(int16_t panel, const std::string& type, const std::string& display,
               const std::string& field) {
  Bytes r = SchemaRecord(panel, type, display, field);
  r.resize(201, 0);
  return r;
}

class SchemaExportTest : public testing::HandheldTest {
 protected:
  void SetUp() override {
    frm.currentVerboseLevel = 10;
    window.messages.clear();
    builder.AddDatabase(kSchema, {SchemaRecord("OLD1"), SchemaRecord("OLD2")});
  }
  bool Run(const std::string& content) {
    WriteFileBytes(Exchange("corvane.txt"), content);
    return PCtoPDA_CorvaneSchema(frm, link);
  }
};

TEST_F(SchemaExportTest, LinesReplaceTheRecords) {
  const std::string s196(196 - 2, 'n');  // with "T" and "D": exactly the 196 that fit
  struct Case {
    const char* label;
    std::string content;
    std::vector<Bytes> records;
  } cases[] = {
      {"spaces around fields: only the field name trimmed",
       " FN1 | T1 | Disp one |  3 ",
       {Expected(3, " T1 ", " Disp one ", "FN1")}},
      {"fields after the fourth ignored", "A|B|C|4|extra|more", {Expected(4, "B", "C", "A")}},
      {"ending in CR LF, blank lines skipped",
       "A|B|C|1\r\n   \r\n\r\nD|E|F|-2\r\n",
       {Expected(1, "B", "C", "A"), Expected(-2, "E", "F", "D")}},
      {"empty fields", "|||0", {Expected(0, "", "", "")}},
      {"lone CR and LF belong to their field", "A\rB|T\n|D|5", {Expected(5, "T\n", "D", "A\rB")}},
      {"panel limits, sign and rounding",
       "A|T|D|-32768\r\nB|T|D|+32767\r\nC|T|D| 2.5 \r\nD|T|D|3.5",
       {Expected(-32768, "T", "D", "A"), Expected(32767, "T", "D", "B"), Expected(2, "T", "D", "C"),
        Expected(4, "T", "D", "D")}},
      {"texts of exactly 196 bytes", s196 + "|T|D|1", {Expected(1, "T", "D", s196)}},
      {"bytes kept as they are", "M\xFC|\xE9|\xFF|7", {Expected(7, "\xE9", "\xFF", "M\xFC")}},
      {"only blank lines", "  \r\n\r\n \r\n", {}},
      {"zero-length file", "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    SetUp();
    EXPECT_TRUE(Run(c.content));
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(Records(kSchema), c.records);
  }
}

TEST_F(SchemaExportTest, BadLineStopsWithEarlierRecordsKept) {
  const std::string overrun = std::to_string(err::kBufferOverrun) + " - ";
  struct Case {
    const char* label;
    std::string line;
    std::string text_prefix;
  } cases[] = {
      {"three fields", "X|T|D", "9 - Subscript out of range"},
      {"one field holding a tab", "\t", "9 - Subscript out of range"},
      {"panel not a number", "X|T|D|three", "13 - Type mismatch"},
      {"empty panel", "X|T|D|", "13 - Type mismatch"},
      {"panel above 32767", "X|T|D|32768", "6 - Overflow"},
      {"panel below -32768", "X|T|D|-32769", "6 - Overflow"},
      {"texts one byte over the buffer", std::string(195, 'n') + "|T|D|1", overrun},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    SetUp();
    EXPECT_FALSE(Run("GOOD|T|D|1\r\n" + c.line + "\r\nLATER|T|D|2\r\n"));
    ExpectFailure(kTitle, c.text_prefix);
    EXPECT_EQ(window.log_items.back(), window.messages[0].text);
    EXPECT_EQ(Records(kSchema), std::vector<Bytes>{Expected(1, "T", "D", "GOOD")});
  }
}

TEST_F(SchemaExportTest, MissingFileLeavesTheDatabaseUntouched) {
  const std::string before = ReadFileBytes(builder.DatabasePath(kSchema));
  EXPECT_FALSE(PCtoPDA_CorvaneSchema(frm, link));
  link.Flush();
  EXPECT_EQ(ReadFileBytes(builder.DatabasePath(kSchema)), before);
  const char* text = "Corvane.txt is not found. Conduit will not transfer Corvane_Schema file PDA.";
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].text, text);
  EXPECT_EQ(window.messages[0].title, "PCtoPDA_CorvaneSchema Error.");
  EXPECT_EQ(window.log_items, std::vector<std::string>{text});
  frm.currentVerboseLevel = 1;  // the line is a level-1 milestone
  window.log_items.clear();
  PCtoPDA_CorvaneSchema(frm, link);
  EXPECT_EQ(window.log_items, std::vector<std::string>{text});
}

TEST_F(SchemaExportTest, FileNameMatchedWithoutLetterCase) {
  WriteFileBytes(Exchange("CORVANE.TXT"), "A|B|C|1");
  EXPECT_TRUE(PCtoPDA_CorvaneSchema(frm, link));
  EXPECT_EQ(Records(kSchema), std::vector<Bytes>{Expected(1, "B", "C", "A")});
}

TEST_F(SchemaExportTest, LogsEachStep) {
  EXPECT_TRUE(Run("A|B|C|1\r\n"));
  EXPECT_TRUE(testing::InOrder(
      window.log_items,
      {"Open the handheld Database", "Delete all existing records from PDA CorvaneSchema table.",
       "Making 1 iterations", "iteration: 0", "storing Panel Number in vdata variable",
       "writing the pc record onto Handheld database", "iteration: 1", "empty line - skipping",
       "Close file"}))
      << ::testing::PrintToString(window.log_items);
}

TEST_F(SchemaExportTest, EmptyDatabaseIsNotCleared) {
  builder.AddDatabase(kSchema, {});
  frm.currentVerboseLevel = 1;
  EXPECT_TRUE(Run("A|B|C|1"));
  EXPECT_TRUE(window.log_items.empty());
  EXPECT_EQ(Records(kSchema).size(), 1u);
}

TEST_F(SchemaExportTest, SixteenBitLineIndex) {
  frm.currentVerboseLevel = 1;
  std::string lines;
  for (int i = 0; i < 32767; ++i) lines += "F|T|D|1\r\n";
  // 32,768 lines: every one handled, then the index cannot step on.
  EXPECT_FALSE(Run(lines + "LAST|T|D|2"));
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].text, "6 - Overflow");
  std::vector<Bytes> records = Records(kSchema);
  ASSERT_EQ(records.size(), 32768u);
  EXPECT_EQ(records.back(), Expected(2, "T", "D", "LAST"));

  // One more: refused before the first line, after the database was emptied.
  SetUp();
  EXPECT_FALSE(Run(lines + "\r\nLAST|T|D|2"));
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].text, "6 - Overflow");
  EXPECT_TRUE(Records(kSchema).empty());
}

TEST_F(SchemaExportTest, MissingDatabaseTakesTheErrorPath) {
  std::filesystem::remove(builder.DatabasePath(kSchema));
  EXPECT_FALSE(Run("A|B|C|1"));
  ExpectFailure(kTitle, "-2147213296 - ");
}

}  // namespace
}  // namespace corvane
