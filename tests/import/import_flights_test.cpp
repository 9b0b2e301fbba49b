#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "fixtures/handheld_builder.h"
#include "import/cache_import.h"
#include "import/field_list.h"
#include "import/flights_import.h"
#include "import/flights_reset.h"
#include "support/conduit_error.h"

namespace corvane {
namespace {

using testing::HandheldTest;
using testing::ReadFileBytes;
using testing::SchemaRecord;
using testing::TextsRecord;
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
  for (int p = 1; p <= 50; ++p)
    texts.push_back(values.count(p) ? values[p] : "p" + std::to_string(p));
  return TextsRecord(texts);
}

// A flight whose field n holds tag + n.
Bytes FlightByField(const std::string& tag) {
  std::vector<std::string> texts;
  for (int field : kFieldAtPosition) texts.push_back(tag + std::to_string(field));
  return TextsRecord(texts);
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

using FieldListTest = HandheldTest;

TEST_F(FieldListTest, NamesAreTrimmedOfSpacesAndJoinedUnescaped) {
  struct Case {
    std::vector<Bytes> schema;
    std::string line;
  } cases[] = {
      {{}, ""},
      {{SchemaRecord("first"), SchemaRecord("second"), SchemaRecord("third")},
       "^first|second|third"},
      {{SchemaRecord("   ")}, "^"},
      {{SchemaRecord(" two words ")}, "^two words"},
      {{SchemaRecord("\tname\t ")}, "^\tname\t"},  // only spaces are trimmed
      {{SchemaRecord("a|b"), SchemaRecord("^c"), SchemaRecord("")}, "^a|b|^c|"},
      {{SchemaRecord("D\xE9part")}, "^D\xE9part"},
      // Other schema fields do not shift the name.
      {{SchemaRecord(-2, "", "", "a"), SchemaRecord(300, "Custom type", "Long display", "b")},
       "^a|b"},
  };
  for (const Case& c : cases) {
    builder.AddDatabase(kSchemaDatabase, c.schema);
    frm.fieldCount = 99;
    EXPECT_EQ(getFieldList(frm, link), c.line);
    EXPECT_EQ(frm.fieldCount, static_cast<int16_t>(c.schema.size())) << c.line;
  }
  EXPECT_TRUE(window.messages.empty());
  EXPECT_TRUE(window.log_items.empty());  // nothing logged on success
}

TEST_F(FieldListTest, MissingOrDamagedSchemaIsReported) {
  frm.currentVerboseLevel = 5;
  frm.fieldCount = 7;
  EXPECT_EQ(getFieldList(frm, link), "");
  EXPECT_EQ(frm.fieldCount, 0);
  ExpectFailure("PDA2PCCorvaneDB Error!!", "Record, Databse etc. not found.");
  EXPECT_EQ(window.log_items, std::vector<std::string>{"Record, Databse etc. not found."});

  builder.AddDatabase(kSchemaDatabase, {SchemaRecord("a"), SchemaRecord("b")});
  // Header and record list only: the records' offsets point past the end.
  std::string bytes = ReadFileBytes(builder.DatabasePath(kSchemaDatabase));
  WriteFileBytes(builder.DatabasePath(kSchemaDatabase), bytes.substr(0, 78 + 2 * 8));
  window.messages.clear();
  EXPECT_EQ(getFieldList(frm, link), "");
  ExpectFailure("PDA2PCCorvaneDB Error!!", std::to_string(err::kDamagedDatabase) + " - ");
}

class FlightsImportTest : public HandheldTest {
 protected:
  std::string DbTxt() { return ReadFileBytes(Exchange("db.txt")); }
};

TEST_F(FlightsImportTest, EachFlightGivesNamesAndValues) {
  std::string all50;
  for (int n = 1; n <= 50; ++n) all50 += "f" + std::to_string(n) + "|";
  struct Case {
    int fields;
    std::vector<Bytes> flights;
    std::string values;  // the value line of every flight, in order, joined by CR LF
  } cases[] = {
      {3, {FlightByField("a"), FlightByField("b")}, "a1|a2|a3\r\n" + NamesLine(3) + "\r\nb1|b2|b3"},
      {12, {FlightByPosition()}, "p1|p12|p23|p34|p45|p47|p48|p49|p50|p2|p3|p4"},
      {51, {FlightByField("f")}, all50},  // ends with an empty column
      {4,
       {FlightByPosition({{1, "  two  words "}, {12, ""}, {23, "\tx "}, {34, "a|b"}})},
       "two  words||\tx|a|b"},                 // trimmed of spaces only
      {3, {TextsRecord({"only"})}, "only||"},  // a short record reads empty fields
  };
  for (const Case& c : cases) {
    builder.AddDatabase(kSchemaDatabase, Schema(c.fields));
    builder.AddDatabase(kFlightsDatabase, c.flights);
    const std::string before = ReadFileBytes(builder.DatabasePath(kFlightsDatabase));
    ASSERT_TRUE(PDAtoPC_CorvaneDB(frm, link)) << c.values;
    EXPECT_EQ(frm.fieldCount, c.fields);
    EXPECT_EQ(DbTxt(), NamesLine(c.fields) + "\r\n" + c.values + "\r\n");
    link.Flush();
    EXPECT_EQ(ReadFileBytes(builder.DatabasePath(kFlightsDatabase)), before) << "left unchanged";
  }
  EXPECT_TRUE(window.messages.empty());
}

TEST_F(FlightsImportTest, WithoutSchemaFieldsFlightsStayOnTheHandheld) {
  enum Schema { kEmpty, kMissing, kDamaged };
  struct Case {
    Schema schema;
    int flights;
    bool ok;
    size_t boxes;  // getFieldList's own report comes first
  } cases[] = {
      {kEmpty, 2, false, 1}, {kMissing, 2, false, 2}, {kDamaged, 2, false, 2},
      {kEmpty, 0, true, 0},  {kMissing, 0, true, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.schema) + ", " + std::to_string(c.flights) + " flights");
    std::filesystem::remove(builder.DatabasePath(kSchemaDatabase));
    if (c.schema == kEmpty) builder.AddDatabase(kSchemaDatabase, {});
    if (c.schema == kDamaged) builder.AddDatabase(kSchemaDatabase, {Bytes{1}});  // no panel number
    builder.AddDatabase(kFlightsDatabase, std::vector<Bytes>(c.flights, FlightByPosition()));
    window.messages.clear();
    EXPECT_EQ(PDAtoPC_CorvaneDB(frm, link), c.ok);
    EXPECT_EQ(DbTxt(), "");
    ASSERT_EQ(window.messages.size(), c.boxes);
    if (!c.ok) {
      EXPECT_EQ(window.messages.back().title, "PDA2PCCorvaneDB Error!!");
      EXPECT_EQ(window.messages.back().text,
                "1003 - The handheld's logbook schema (CRVN_Corvane_Schema) is missing or empty: "
                "the flights stay on the handheld");
    }
  }
}

TEST_F(FlightsImportTest, EmptyFlightsDatabaseLeavesAnEmptyFile) {
  frm.currentVerboseLevel = 5;
  builder.AddDatabase(kSchemaDatabase, Schema(52));  // never reaches a value line
  builder.AddDatabase(kFlightsDatabase, {});
  ASSERT_TRUE(PDAtoPC_CorvaneDB(frm, link));
  EXPECT_EQ(DbTxt(), "");
  EXPECT_EQ(window.log_items, std::vector<std::string>{"Create a new db.txt file."});
  // An existing file, in any letter case, is emptied and no new one logged.
  std::filesystem::rename(Exchange("db.txt"), Exchange("DB.TXT"));
  WriteFileBytes(Exchange("DB.TXT"), "old flights\r\n");
  ASSERT_TRUE(PDAtoPC_CorvaneDB(frm, link));
  EXPECT_EQ(ReadFileBytes(Exchange("DB.TXT")), "");
  EXPECT_FALSE(std::filesystem::exists(Exchange("db.txt")));
  EXPECT_EQ(window.log_items.size(), 1u);
}

TEST_F(FlightsImportTest, FailuresTakeTheErrorPath) {
  struct Case {
    int fields;
    bool flightsExist;
    std::string text;
  } cases[] = {
      {52, true, "9 - Subscript out of range"},
      {3, false, std::to_string(err::kNotFound) + " - "},  // no flights database
  };
  frm.currentVerboseLevel = 5;
  for (const Case& c : cases) {
    WriteFileBytes(Exchange("db.txt"), "old flights\r\n");
    builder.AddDatabase(kSchemaDatabase, Schema(c.fields));
    std::filesystem::remove(builder.DatabasePath(kFlightsDatabase));
    if (c.flightsExist) builder.AddDatabase(kFlightsDatabase, {FlightByPosition()});
    window.messages.clear();

    EXPECT_FALSE(PDAtoPC_CorvaneDB(frm, link)) << c.text;
    EXPECT_EQ(DbTxt(), "") << c.text;
    ExpectFailure("PDA2PCCorvaneDB Error!!", c.text);
    EXPECT_EQ(window.log_items.back(), window.messages[0].text);
  }
}

using FlightsResetTest = HandheldTest;

TEST_F(FlightsResetTest, EmptiesTheFlightsDatabaseOnly) {
  frm.currentVerboseLevel = 5;
  builder.AddDatabase(kCacheDatabase, {TextsRecord({"x"})});
  const std::string cacheBefore = ReadFileBytes(builder.DatabasePath(kCacheDatabase));
  for (int records : {3, 0}) {
    builder.AddDatabase(kFlightsDatabase, std::vector<Bytes>(records, TextsRecord({"a", "b"})));
    const std::string before = ReadFileBytes(builder.DatabasePath(kFlightsDatabase));
    window.log_items.clear();

    ASSERT_TRUE(ResetPalmDB(frm, link)) << records;
    std::vector<std::string> log = {
        "Clearing PDA's flights DB", "Open CRVN_Corvane_db",
        "Open CRVN_Corvane_db got " + std::to_string(records) + " records"};
    if (records) log.push_back("removing all records");
    EXPECT_EQ(window.log_items, log);
    link.Flush();
    PdbFile after = ReadPdbFile(builder.DatabasePath(kFlightsDatabase));
    EXPECT_TRUE(after.records.empty());
    EXPECT_EQ(after.header.Name(), kFlightsDatabase);
    if (records == 0) {
      EXPECT_EQ(ReadFileBytes(builder.DatabasePath(kFlightsDatabase)), before) << "not rewritten";
    }
  }
  EXPECT_EQ(ReadFileBytes(builder.DatabasePath(kCacheDatabase)), cacheBefore);
  EXPECT_TRUE(window.messages.empty());
}

TEST_F(FlightsResetTest, MissingDatabaseIsReported) {
  frm.currentVerboseLevel = 5;
  EXPECT_FALSE(ResetPalmDB(frm, link));
  ExpectFailure("ResetPalmDB Error!!", std::to_string(err::kNotFound) + " - ");
  EXPECT_EQ(window.log_items.back(), window.messages[0].text);
}

}  // namespace
}  // namespace corvane
