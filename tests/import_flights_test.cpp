#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "handheld/field_list.h"
#include "handheld/flights_import.h"
#include "handheld_builder.h"
#include "support/conduit_error.h"

namespace corvane {
namespace {

using testing::HandheldTest;
using testing::ReadFileBytes;
using testing::SchemaRecord;
using testing::WriteFileBytes;

// The field held at each storage position of a flight record, as the
// handheld application lays it out.
constexpr int kFieldAtPosition[50] = {1,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 2,  20,
                                      21, 22, 23, 24, 25, 26, 27, 28, 29, 3,  30, 31, 32,
                                      33, 34, 35, 36, 37, 38, 39, 4,  40, 41, 42, 43, 44,
                                      45, 46, 47, 48, 49, 5,  50, 6,  7,  8,  9};

// A flight whose storage position p (1-based) holds "p<p>", unless given.
Bytes FlightByPosition(std::map<int, std::string> values = {}) {
  std::vector<std::string> texts;
  for (int p = 1; p <= 50; ++p) {
    texts.push_back(values.count(p) ? values[p] : "p" + std::to_string(p));
  }
  return testing::TextsRecord(texts);
}

// A flight whose field n holds tag + n.
Bytes FlightByField(const std::string& tag) {
  std::vector<std::string> texts;
  for (int field : kFieldAtPosition) texts.push_back(tag + std::to_string(field));
  return testing::TextsRecord(texts);
}

std::vector<Bytes> Schema(int fields) {
  std::vector<Bytes> records;
  for (int i = 1; i <= fields; ++i) records.push_back(SchemaRecord("n" + std::to_string(i)));
  return records;
}

std::string NamesLine(int fields) {
  std::string line;
  for (int i = 1; i <= fields; ++i) line += (i == 1 ? "^n" : "|n") + std::to_string(i);
  return line;
}

class FlightsImportTest : public HandheldTest {
 protected:
  std::string DbTxt() { return ReadFileBytes(Exchange("db.txt")); }
};

TEST_F(FlightsImportTest, EachFlightGivesNamesAndValues) {
  std::string all50;
  for (int n = 1; n <= 50; ++n) all50 += "f" + std::to_string(n) + "|";
  struct Case {
    const char* label;
    int fields;
    std::vector<Bytes> flights;
    std::string values;  // the value line of every flight, in order, joined by CR LF
  } cases[] = {
      {"three fields, two flights",
       3,
       {FlightByField("a"), FlightByField("b")},
       "a1|a2|a3\r\n" + NamesLine(3) + "\r\nb1|b2|b3"},
      {"twelve fields from their storage positions",
       12,
       {FlightByPosition()},
       "p1|p12|p23|p34|p45|p47|p48|p49|p50|p2|p3|p4"},
      {"51 fields end with an empty column", 51, {FlightByField("f")}, all50},
      {"values trimmed of spaces only",
       4,
       {FlightByPosition({{1, "  two  words "}, {12, ""}, {23, "\tx "}, {34, "a|b"}})},
       "two  words||\tx|a|b"},
      {"short record reads empty fields", 3, {testing::TextsRecord({"only"})}, "only||"},
  };
  for (const Case& c : cases) {
    builder.AddDatabase(kSchemaDatabase, Schema(c.fields));
    builder.AddDatabase(kFlightsDatabase, c.flights);
    ASSERT_TRUE(PDAtoPC_CorvaneDB(frm, link)) << c.label;
    EXPECT_EQ(frm.fieldCount, c.fields);
    std::string expected = NamesLine(c.fields) + "\r\n" + c.values + "\r\n";
    EXPECT_EQ(DbTxt(), expected) << c.label;
  }
  EXPECT_TRUE(window.messages.empty());
}

TEST_F(FlightsImportTest, WithoutSchemaEveryFlightGivesTwoEmptyLines) {
  struct Case {
    const char* label;
    bool schemaExists;
    size_t messages;
  } cases[] = {{"empty schema", true, 0}, {"missing schema", false, 1}};
  for (const Case& c : cases) {
    std::filesystem::remove(builder.DatabasePath(kSchemaDatabase));
    if (c.schemaExists) builder.AddDatabase(kSchemaDatabase, {});
    builder.AddDatabase(kFlightsDatabase, {FlightByPosition(), FlightByPosition()});
    window.messages.clear();
    ASSERT_TRUE(PDAtoPC_CorvaneDB(frm, link)) << c.label;
    EXPECT_EQ(DbTxt(), "\r\n\r\n\r\n\r\n") << c.label;
    ASSERT_EQ(window.messages.size(), c.messages) << c.label;
    if (c.messages) {
      EXPECT_EQ(window.messages[0].title, "PDA2PCCorvaneDB Error!!");
    }
  }
}

TEST_F(FlightsImportTest, EmptyFlightsDatabaseLeavesAnEmptyFile) {
  WriteFileBytes(Exchange("DB.TXT"), "old flights\r\n");
  builder.AddDatabase(kSchemaDatabase, Schema(52));  // never reaches a value line
  builder.AddDatabase(kFlightsDatabase, {});
  ASSERT_TRUE(PDAtoPC_CorvaneDB(frm, link));
  EXPECT_EQ(ReadFileBytes(Exchange("DB.TXT")), "");
  EXPECT_FALSE(std::filesystem::exists(Exchange("db.txt")));
}

TEST_F(FlightsImportTest, NewFileIsLoggedOnlyWhenMissing) {
  frm.currentVerboseLevel = 5;
  builder.AddDatabase(kSchemaDatabase, Schema(1));
  builder.AddDatabase(kFlightsDatabase, {});
  ASSERT_TRUE(PDAtoPC_CorvaneDB(frm, link));
  EXPECT_EQ(window.log_items, std::vector<std::string>{"Create a new db.txt file."});
  ASSERT_TRUE(PDAtoPC_CorvaneDB(frm, link));
  EXPECT_EQ(window.log_items.size(), 1u);
}

TEST_F(FlightsImportTest, FailuresTakeTheErrorPath) {
  struct Case {
    const char* label;
    int fields;
    bool flightsExist;
    std::string text;
  } cases[] = {
      {"52 schema fields", 52, true, "9 - Subscript out of range"},
      {"missing flights database", 3, false, std::to_string(err::kNotFound) + " - "},
  };
  frm.currentVerboseLevel = 5;
  for (const Case& c : cases) {
    WriteFileBytes(Exchange("db.txt"), "old flights\r\n");
    builder.AddDatabase(kSchemaDatabase, Schema(c.fields));
    std::filesystem::remove(builder.DatabasePath(kFlightsDatabase));
    if (c.flightsExist) builder.AddDatabase(kFlightsDatabase, {FlightByPosition()});
    window.messages.clear();

    EXPECT_FALSE(PDAtoPC_CorvaneDB(frm, link)) << c.label;
    EXPECT_EQ(DbTxt(), "") << c.label;
    ASSERT_EQ(window.messages.size(), 1u) << c.label;
    EXPECT_EQ(window.messages[0].text.rfind(c.text, 0), 0u) << window.messages[0].text;
    EXPECT_EQ(window.messages[0].title, "PDA2PCCorvaneDB Error!!");
    EXPECT_EQ(window.activity, "Error in Synchronization.");
    EXPECT_EQ(window.log_items.back(), window.messages[0].text);
  }
}

TEST_F(FlightsImportTest, ImportLeavesTheHandheldUnchanged) {
  builder.AddDatabase(kSchemaDatabase, Schema(3));
  builder.AddDatabase(kFlightsDatabase, {FlightByPosition(), FlightByPosition()});
  std::string before = ReadFileBytes(builder.DatabasePath(kFlightsDatabase));
  ASSERT_TRUE(PDAtoPC_CorvaneDB(frm, link));
  link.Flush();
  EXPECT_EQ(ReadFileBytes(builder.DatabasePath(kFlightsDatabase)), before);
}

}  // namespace
}  // namespace corvane
