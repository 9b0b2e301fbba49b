// The transfers from the handheld into the exchange folder.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include "fixtures/child_process.h"
#include "fixtures/handheld_builder.h"
#include "handheld/database_names.h"
#include "import/cache_import.h"
#include "import/field_list.h"
#include "import/flights_import.h"
#include "import/flights_reset.h"
#include "import/version_import.h"

namespace corvane {
namespace {

using testing::CacheRecord;
using testing::ReadFileBytes;
using testing::TextsRecord;

class ImportTest : public testing::HandheldTest {
 protected:
  ImportTest() { frm.currentVerboseLevel = 5; }
  std::string Read(const char* name) { return ReadFileBytes(Exchange(name)); }
};

TEST_F(ImportTest, CacheRecordsGoToTheirListsAsReadEachFileRewrittenWhole) {
  // Blank pairs write nothing; nothing is trimmed or escaped; a record may end early.
  // clang-format off
  const std::pair<std::vector<Bytes>, const char*> cases[] = {  // the four files, one after another
      {{CacheRecord(2, "EDDF", "x"), CacheRecord(1, "D-EABC", "C172"), CacheRecord(3, "Smith", ""),
        CacheRecord(4, "FNPT II", ""), CacheRecord(2, "LOWW", ""), CacheRecord(0, "EDDM", ""),
        CacheRecord(5, "EDDK", "")},
       "D-EABC|C172\r\n" "EDDF\r\nLOWW\r\n" "Smith\r\n" "FNPT II\r\n"},
      {{CacheRecord(2, "", ""), CacheRecord(3, "   ", " "), CacheRecord(2, "", "x"),
        CacheRecord(1, " ", "C 172 "), Bytes{3, 'a', '|', 'b', 0}, Bytes{4}},
       " |C 172 \r\n" "\r\n" "a|b\r\n"}};
  // clang-format on
  for (const auto& [records, files] : cases) {
    builder.AddDatabase(kCacheDatabase, records);
    EXPECT_TRUE(PDAtoPC_CorvaneCache(frm, link));
    EXPECT_EQ(
        Read("acreg_actype.txt") + Read("airport.txt") + Read("PERSON.txt") + Read("simulator.txt"),
        files);
  }
  std::filesystem::remove(builder.DatabasePath(kCacheDatabase));
  EXPECT_FALSE(PDAtoPC_CorvaneCache(frm, link));
  EXPECT_EQ(Read("airport.txt"), "");  // emptied first
  ExpectFailure("PDA2PCCorvaneCache Error!!", "PDAtoPC_CorvaneCache: -2147213296 - ");
  EXPECT_EQ(window.log_items.back(), window.messages[0].text);
}

TEST_F(ImportTest, EachFlightGivesTheFieldNamesAndItsValuesInFieldOrder) {
  // Fields 1 to 50 are stored in the order of their numbers sorted as text;
  // field names are trimmed of spaces only and joined unescaped.
  std::vector<std::string> stored, names = {" a b ", "\tn\t ", "c|d"};
  for (int p = 1; p <= 50; ++p) stored.push_back("p" + std::to_string(p));
  stored[0] = "  two  words ", stored[11] = "", stored[22] = "\tx ";
  std::string all = "two  words||\tx|";
  for (int p : {34, 45, 47, 48, 49, 50, 2,  3,  4,  5,  6,  7,  8,  9,  10, 11,
                13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 24, 25, 26, 27, 28, 29,
                30, 31, 32, 33, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 46}) {
    all += "p" + std::to_string(p) + "|";
  }
  names.resize(51, "n");
  std::string name_line = "^a b|\tn\t|c|d";
  for (int i = 3; i < 51; ++i) name_line += "|n";
  for (size_t fields : {51u, 3u}) {
    std::vector<Bytes> schema;
    for (size_t i = 0; i < fields; ++i)
      schema.push_back(testing::SchemaRecord(-2, "T", "D", names[i]));
    builder.AddDatabase(kSchemaDatabase, schema);
    builder.AddDatabase(kFlightsDatabase,
                        {TextsRecord(stored), TextsRecord({"only"})});  // the second one short
    EXPECT_TRUE(PDAtoPC_CorvaneDB(frm, link));
    const std::string n = fields == 51 ? name_line : "^a b|\tn\t|c|d";
    const std::string v = fields == 51 ? all : "two  words||\tx";
    EXPECT_EQ(Read("db.txt"), n + "\r\n" + v + "\r\n" + n + "\r\n" + "only" +
                                  std::string(fields - 1, '|') + "\r\n");
  }
  // More fields than a flight holds; no flights database.
  builder.AddDatabase(kSchemaDatabase, std::vector<Bytes>(52, testing::SchemaRecord("n")));
  EXPECT_FALSE(PDAtoPC_CorvaneDB(frm, link));
  EXPECT_EQ(Read("db.txt"), "");
  ExpectFailure("PDA2PCCorvaneDB Error!!", "9 - Subscript out of range");
  std::filesystem::remove(builder.DatabasePath(kFlightsDatabase));
  window.messages.clear();
  EXPECT_FALSE(PDAtoPC_CorvaneDB(frm, link));
  ExpectFailure("PDA2PCCorvaneDB Error!!", "-2147213296 - ");
  // No field names (an empty, missing or damaged schema), or only blank ones:
  // the flights stay on the handheld. Boxes: getFieldList's own report comes first.
  using Schema = std::optional<std::vector<Bytes>>;
  const Schema empty = std::vector<Bytes>{}, damaged = std::vector<Bytes>{Bytes{1}},
               blank = std::vector<Bytes>{testing::SchemaRecord(""), testing::SchemaRecord("  ")};
  const std::string missing = "is missing or empty", nameless = "names no field";
  // clang-format off
  const std::tuple<Schema, int, size_t, std::string> schemas[] = {  // schema, flights, boxes, why
      {empty, 2, 1, missing}, {std::nullopt, 2, 2, missing}, {damaged, 2, 2, missing},
      {blank, 1, 1, nameless}, {empty, 0, 0, ""}, {std::nullopt, 0, 1, ""}, {blank, 0, 0, ""}};
  // clang-format on
  for (const auto& [schema, flights, boxes, why] : schemas) {
    std::filesystem::remove(builder.DatabasePath(kSchemaDatabase));
    if (schema) builder.AddDatabase(kSchemaDatabase, *schema);
    builder.AddDatabase(kFlightsDatabase, std::vector<Bytes>(flights, TextsRecord({"x"})));
    window.messages.clear();
    EXPECT_EQ(PDAtoPC_CorvaneDB(frm, link), flights == 0);
    EXPECT_EQ(Read("db.txt"), "");
    ASSERT_EQ(window.messages.size(), boxes);
    if (!schema) {
      EXPECT_EQ(window.messages[0].text, "Record, Databse etc. not found.");
    }
    if (flights) {
      EXPECT_EQ(window.messages.back().text,
                "1003 - The handheld's logbook schema (CRVN_Corvane_Schema) " + why +
                    ": the flights stay on the handheld");
    }
  }
}

TEST_F(ImportTest, VersionIsTheThirdTextOfTheFirstPreferencesRecordResetEmptiesTheFlights) {
  builder.AddDatabase(kPrefDatabase,
                      {TextsRecord({"a", "b", " 3.0 "}), TextsRecord({"c", "d", "9.9"})});
  EXPECT_TRUE(GetVesion(frm, link));
  EXPECT_EQ(Read("version.txt"), " 3.0 ");
  builder.AddDatabase(kPrefDatabase, {});  // no record: false, silently, the old file kept
  window.log_items.clear();
  EXPECT_FALSE(GetVesion(frm, link));
  EXPECT_EQ(Read("version.txt"), " 3.0 ");
  EXPECT_TRUE(window.messages.empty());
  EXPECT_TRUE(window.log_items.empty());
  std::filesystem::remove(builder.DatabasePath(kPrefDatabase));
  EXPECT_FALSE(GetVesion(frm, link));
  // Shown, not logged; the number follows the full stop directly.
  ExpectFailure("Corvane Conduit", "Error in initialising sync operations.-2147213296 - ");
  EXPECT_TRUE(window.log_items.empty());
  builder.AddDatabase(kFlightsDatabase, {});
  EXPECT_TRUE(ResetPalmDB(frm, link));
  EXPECT_EQ(window.log_items.back(), "Open CRVN_Corvane_db got 0 records");
  std::filesystem::remove(builder.DatabasePath(kFlightsDatabase));
  window.messages.clear();
  EXPECT_FALSE(ResetPalmDB(frm, link));
  ExpectFailure("ResetPalmDB Error!!", "-2147213296 - ");
}

TEST_F(ImportTest, OnAFullDiskFailedWritesFailTheTransfer) {
  frm.currentVerboseLevel = 1;
  const struct {
    bool flights;  // else the cache
    int records;   // below and above the size the import gathers before a write
  } cases[] = {{false, 400}, {false, 8000}, {true, 300}, {true, 4000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.flights ? "flights, " : "cache, ") + std::to_string(c.records));
    builder.AddDatabase(kSchemaDatabase, {testing::SchemaRecord("a"), testing::SchemaRecord("b")});
    builder.AddDatabase(kFlightsDatabase,
                        std::vector<Bytes>(c.records, testing::TextsRecord({"flight value", "x"})));
    builder.AddDatabase(kCacheDatabase,
                        std::vector<Bytes>(c.records, testing::CacheRecord(2, "airport name", "")));
    const std::string flightsBefore = ReadFileBytes(builder.DatabasePath(kFlightsDatabase));
    // Files cannot grow past 4 KiB, as on a full disk; the write fails with EFBIG.
    EXPECT_EQ(testing::InChild([&]() -> std::string {
                ::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{4096, 4096};
                if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return "no limit";
                const bool ok =
                    c.flights ? PDAtoPC_CorvaneDB(frm, link) : PDAtoPC_CorvaneCache(frm, link);
                if (ok || window.messages.size() != 1) return "went on";
                const std::string& text = window.messages[0].text;
                return window.messages[0].title + ": " +
                       (text.find("27 - File too large") != std::string::npos ? "27" : text) +
                       ", " + window.activity;
              }),
              std::string(c.flights ? "PDA2PCCorvaneDB Error!!" : "PDA2PCCorvaneCache Error!!") +
                  ": 27, Error in Synchronization.");
    EXPECT_EQ(ReadFileBytes(builder.DatabasePath(kFlightsDatabase)), flightsBefore);
  }
}

}  // namespace
}  // namespace corvane
