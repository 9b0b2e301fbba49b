#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "export/cache_export.h"
#include "fixtures/handheld_builder.h"
#include "support/conduit_error.h"

namespace corvane {
namespace {

using testing::CacheRecord;
using testing::WriteFileBytes;

constexpr const char* kCache = "CRVN_Corvane_Cache";
constexpr const char* kTitle = "PC2PDACorvaneCache Error!!";

// Type byte, the two texts with their zeros, and the closing zero.
Bytes Expected(uint8_t type, const std::string& value, const std::string& dependent = "") {
  Bytes r = CacheRecord(type, value, dependent);
  r.push_back(0);
  return r;
}

class CacheExportTest : public testing::HandheldTest {
 protected:
  void SetUp() override {
    frm.currentVerboseLevel = 10;
    builder.AddDatabase(kCache, {CacheRecord(2, "OLD", "")});
  }
  int Logged(const std::string& line) const {
    return static_cast<int>(std::count(window.log_items.begin(), window.log_items.end(), line));
  }
};

TEST_F(CacheExportTest, ListsInOrderWithTheirReadingRules) {
  // Written in the import's spelling; the export asks for person.txt and SIMULATOR.txt.
  WriteFileBytes(Exchange("simulator.txt"), "FNPT II\r\n");
  WriteFileBytes(Exchange("PERSON.txt"), "  Smith  \r\nvan der Berg");
  WriteFileBytes(Exchange("acreg_actype.txt"),
                 "D-EABC|C172\r\n D-EONE \r\nD-ETWO|PA28|third|fourth\r\n|C152\r\nD-EEND|\r\n"
                 "D-ESP | C 172 \r\n");
  WriteFileBytes(Exchange("airport.txt"), "  EDDF  \r\n\r\nLO WW\r\n\tX\r\n");
  EXPECT_TRUE(PCtoPDA_CorvaneCache(frm, link));
  const std::vector<Bytes> expected = {
      Expected(2, "EDDF"),           Expected(2, "LO WW"),        Expected(2, "\tX"),
      Expected(1, "D-EABC", "C172"), Expected(1, "D-EONE"),       Expected(1, "D-ETWO", "PA28"),
      Expected(1, "", "C152"),       Expected(1, "D-EEND"),       Expected(1, "D-ESP ", " C 172"),
      Expected(3, "Smith"),          Expected(3, "van der Berg"), Expected(4, "FNPT II"),
  };
  EXPECT_EQ(Records(kCache), expected);
  EXPECT_TRUE(window.messages.empty());
  // The record layout spelled out once: two one-character texts make six bytes.
  WriteFileBytes(Exchange("acreg_actype.txt"), "A|B");
  EXPECT_TRUE(PCtoPDA_CorvaneCache(frm, link));
  EXPECT_EQ(Records(kCache)[3], (Bytes{1, 'A', 0, 'B', 0, 0}));
}

TEST_F(CacheExportTest, EmptyAndMissingListsLogTheirOutcome) {
  struct Case {
    const char* airports;  // nullptr: no file
    std::vector<std::string> airport_lines;
  } cases[] = {
      {nullptr, {"Exporting airports.", "Failed to load list of airports."}},
      {"     ", {"Exporting airports.", "Nothing to export."}},
      {"", {"Exporting airports.", "Nothing to export."}},
      {"\r\n\r\n\r\n", {"Exporting airports."}},  // only empty lines
      {"\r\n  \r\n", {"Exporting airports."}},    // empty lines holding spaces
  };
  for (const Case& c : cases) {
    SetUp();
    std::filesystem::remove(Exchange("airport.txt"));
    if (c.airports) WriteFileBytes(Exchange("airport.txt"), c.airports);
    frm.currentVerboseLevel = 1;
    window.log_items.clear();
    EXPECT_TRUE(PCtoPDA_CorvaneCache(frm, link));
    std::vector<std::string> expected = c.airport_lines;
    expected.insert(
        expected.end(),
        {"Airports exported succesfully.", "Exporting aircraft registrations and types.",
         "Failed to load list.", "Aircraft registrations and types exported succesfully.",
         "Exporting persons.", "Failed to load list of persons.", "Persons exported succesfully.",
         "Exporting sim. types.", "Failed to load list of simulators.",
         "Simulator exported succesfully."});
    EXPECT_EQ(window.log_items, expected) << (c.airports ? c.airports : "(no file)");
    EXPECT_TRUE(Records(kCache).empty());
    EXPECT_TRUE(window.messages.empty());
  }
}

TEST_F(CacheExportTest, UnreadableListLogsItsErrorAtLevelFive) {
  std::filesystem::create_directory(Exchange("airport.txt"));  // a folder cannot be read as text
  EXPECT_TRUE(PCtoPDA_CorvaneCache(frm, link));
  auto at = std::find(window.log_items.begin(), window.log_items.end(),
                      "Failed to load list of airports.");
  ASSERT_NE(at, window.log_items.end());
  EXPECT_EQ(at[-1].rfind("21 - ", 0), 0u) << at[-1];  // EISDIR
}

TEST_F(CacheExportTest, FailingRecordsAreReportedOneByOne) {
  // The handheld's tombstones count as no records, so nothing is cleared,
  // and the database has no room left: every AddRecord fails.
  PdbFile full;
  full.header.SetName(kCache);
  for (uint32_t id = 1; id <= pdb::kMaxRecords; ++id) {
    full.records.push_back(PdbRecord{pdb::kRecordDeleted, id, Bytes{2}});
  }
  Bytes bytes = SerializePdb(full);
  WriteFileBytes(builder.DatabasePath(kCache), std::string(bytes.begin(), bytes.end()));
  WriteFileBytes(Exchange("airport.txt"), "EDDF\r\nLOWW");
  WriteFileBytes(Exchange("person.txt"), "Smith");
  frm.currentVerboseLevel = 1;

  EXPECT_TRUE(PCtoPDA_CorvaneCache(frm, link));
  ASSERT_EQ(window.messages.size(), 3u);
  for (const auto& m : window.messages) EXPECT_EQ(m.title, kTitle);
  EXPECT_EQ(Logged("Failed to transfer record."), 3);
  EXPECT_EQ(window.log_items.back(), "Simulator exported succesfully.");
  EXPECT_EQ(window.activity, "Error in Synchronization.");
  EXPECT_TRUE(Records(kCache).empty());
}

TEST_F(CacheExportTest, TextsBeyondTheSixteenBitOffset) {
  // 32,764 characters in all is the most a record can hold.
  const std::string fits = std::string(32760, 'r') + "|" + std::string(4, 't');
  const std::string over = std::string(32760, 'r') + "|" + std::string(5, 't');
  WriteFileBytes(Exchange("acreg_actype.txt"), over + "\r\n" + fits + "\r\nD-EABC|C172");
  EXPECT_TRUE(PCtoPDA_CorvaneCache(frm, link));
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].text, "6 - Overflow");
  EXPECT_EQ(Records(kCache), (std::vector<Bytes>{Expected(1, std::string(32760, 'r'), "tttt"),
                                                 Expected(1, "D-EABC", "C172")}));
}

TEST_F(CacheExportTest, ListTooLongToCountStopsTheExport) {
  frm.currentVerboseLevel = 1;
  std::string lines;
  for (int i = 0; i < 32767; ++i) lines += "A\r\n";
  WriteFileBytes(Exchange("person.txt"), "Smith");

  // 32,767 lines, the last one closed by its CR LF: still countable.
  WriteFileBytes(Exchange("airport.txt"), lines);
  EXPECT_TRUE(PCtoPDA_CorvaneCache(frm, link));
  EXPECT_EQ(Records(kCache).size(), 32768u);

  // One more line: the list is refused whole and the persons never go.
  WriteFileBytes(Exchange("airport.txt"), lines + "B");
  EXPECT_FALSE(PCtoPDA_CorvaneCache(frm, link));
  ExpectFailure(kTitle, "6 - Overflow");
  EXPECT_TRUE(Records(kCache).empty());
  EXPECT_EQ(Logged("Exporting persons."), 1);
}

TEST_F(CacheExportTest, MissingDatabaseTakesTheErrorPath) {
  std::filesystem::remove(builder.DatabasePath(kCache));
  WriteFileBytes(Exchange("airport.txt"), "EDDF");
  EXPECT_FALSE(PCtoPDA_CorvaneCache(frm, link));
  ExpectFailure(kTitle, "-2147213296 - ");
}

}  // namespace
}  // namespace corvane
