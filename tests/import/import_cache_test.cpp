#include <gtest/gtest.h>

#include <filesystem>

#include "fixtures/handheld_builder.h"
#include "import/cache_import.h"
#include "support/conduit_error.h"

namespace corvane {
namespace {

using testing::CacheRecord;
using testing::HandheldTest;
using testing::ReadFileBytes;
using testing::WriteFileBytes;

const char* const kListFiles[] = {"acreg_actype.txt", "airport.txt", "PERSON.txt", "simulator.txt"};

class CacheImportTest : public HandheldTest {
 protected:
  std::vector<std::string> ListFiles() {
    std::vector<std::string> out;
    for (const char* name : kListFiles) out.push_back(ReadFileBytes(Exchange(name)));
    return out;
  }
};

TEST_F(CacheImportTest, RecordsGoToTheirListsAsRead) {
  struct Case {
    const char* label;
    std::vector<Bytes> records;
    std::vector<std::string> files;  // acreg_actype, airport, PERSON, simulator
  } cases[] = {
      {"empty database", {}, {"", "", "", ""}},
      {"four types interleaved",
       {CacheRecord(2, "EDDF", ""), CacheRecord(1, "D-EABC", "C172"), CacheRecord(3, "Smith", ""),
        CacheRecord(4, "FNPT II", ""), CacheRecord(2, "LOWW", "ignored"),
        CacheRecord(1, "D-EXYZ", "PA28"), CacheRecord(3, "Meier", "")},
       {"D-EABC|C172\r\nD-EXYZ|PA28\r\n", "EDDF\r\nLOWW\r\n", "Smith\r\nMeier\r\n", "FNPT II\r\n"}},
      {"blank and space-only pairs write nothing",
       {CacheRecord(2, "", ""), CacheRecord(3, "   ", " "), CacheRecord(1, " ", ""),
        CacheRecord(4, "", "  ")},
       {"", "", "", ""}},
      {"blank value with a dependent value writes its line",
       {CacheRecord(2, "", "x"), CacheRecord(3, "  ", "x"), CacheRecord(1, "", "C172")},
       {"|C172\r\n", "\r\n", "  \r\n", ""}},
      {"unknown types 0 and 5",
       {CacheRecord(0, "EDDF", "x"), CacheRecord(5, "EDDM", ""), CacheRecord(255, "X", "Y"),
        CacheRecord(2, "LOWW", "")},
       {"", "LOWW\r\n", "", ""}},
      {"spaces kept",
       {CacheRecord(2, "EDDF ", ""), CacheRecord(1, " D-EABC ", " C172 "),
        CacheRecord(4, " Sim", "")},
       {" D-EABC | C172 \r\n", "EDDF \r\n", "", " Sim\r\n"}},
      {"empty type after the bar", {CacheRecord(1, "D-EABC", "")}, {"D-EABC|\r\n", "", "", ""}},
      {"nothing escaped, bytes kept",
       {CacheRecord(3, "a|b", ""), CacheRecord(3, "two\r\nlines", ""),
        CacheRecord(2, "M\xFCnchen", "")},
       {"", "M\xFCnchen\r\n", "a|b\r\ntwo\r\nlines\r\n", ""}},
      {"record without a dependent text",
       {Bytes{1, 'D', '-', 'E', 0}, Bytes{2}},
       {"D-E|\r\n", "", "", ""}},
  };
  for (const Case& c : cases) {
    builder.AddDatabase(kCacheDatabase, c.records);
    ASSERT_TRUE(PDAtoPC_CorvaneCache(frm, link)) << c.label;
    EXPECT_EQ(ListFiles(), c.files) << c.label;
  }
  EXPECT_TRUE(window.messages.empty());
}

TEST_F(CacheImportTest, RewritesFilesWholeAndFindsThemInAnyCase) {
  WriteFileBytes(Exchange("person.txt"), "old person\r\n");
  WriteFileBytes(Exchange("AIRPORT.TXT"), "old airport\r\n");
  WriteFileBytes(Exchange("simulator.txt"), "a much longer old simulator list\r\n");
  builder.AddDatabase(kCacheDatabase, {CacheRecord(3, "Smith", ""), CacheRecord(4, "Sim", "")});
  ASSERT_TRUE(PDAtoPC_CorvaneCache(frm, link));

  EXPECT_EQ(ReadFileBytes(Exchange("person.txt")), "Smith\r\n");
  EXPECT_EQ(ReadFileBytes(Exchange("AIRPORT.TXT")), "");
  EXPECT_EQ(ReadFileBytes(Exchange("simulator.txt")), "Sim\r\n");
  // No second spelling beside the files found.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(frm.syncPath), {}), 4);
  EXPECT_TRUE(std::filesystem::exists(Exchange("acreg_actype.txt")));
}

TEST_F(CacheImportTest, LogsEveryStepAtItsLevel) {
  builder.AddDatabase(kCacheDatabase, {CacheRecord(1, "D-EABC", "C172"), CacheRecord(5, "X", "")});
  frm.currentVerboseLevel = 5;
  ASSERT_TRUE(PDAtoPC_CorvaneCache(frm, link));
  const std::string& p = frm.syncPath;
  EXPECT_EQ(window.log_items, (std::vector<std::string>{
                                  "open " + p + "acreg_actype.txt for rewriting",
                                  "open " + p + "airport.txt for rewriting",
                                  "open " + p + "person.txt for rewriting",
                                  "open " + p + "simulator.txt for rewriting",
                                  "Open handheld Database in read-write mode",
                                  "Read first record from the PDB",
                                  "processing cache records",
                                  "extract record values",
                                  "CustDataType=1",
                                  "sCacheValue=D-EABC",
                                  "sDepCacheValue=C172",
                                  "writing to acreg_actype.txt: D-EABC|C172",
                                  "Read next record ",
                                  "extract record values",
                                  "CustDataType=5",
                                  "sCacheValue=X",
                                  "sDepCacheValue=",
                                  "Read next record ",
                                  "all records processed ",
                              }));
  EXPECT_EQ(LogMessages(), window.log_items);

  window.log_items.clear();
  frm.currentVerboseLevel = 1;
  ASSERT_TRUE(PDAtoPC_CorvaneCache(frm, link));
  EXPECT_EQ(window.log_items,
            (std::vector<std::string>{"processing cache records", "all records processed "}));

  // An empty database: no record steps at all.
  builder.AddDatabase(kCacheDatabase, {});
  window.log_items.clear();
  frm.currentVerboseLevel = 5;
  ASSERT_TRUE(PDAtoPC_CorvaneCache(frm, link));
  ASSERT_EQ(window.log_items.size(), 5u);
  EXPECT_EQ(window.log_items.back(), "Open handheld Database in read-write mode");
}

TEST_F(CacheImportTest, FailuresTakeTheErrorPath) {
  struct Case {
    const char* label;
    bool createDatabase;
    bool removeExchange;
    int32_t number;
  } cases[] = {
      {"missing cache database", false, false, err::kNotFound},
      {"missing exchange folder", true, true, ENOENT},
  };
  frm.currentVerboseLevel = 5;
  for (const Case& c : cases) {
    testing::TempDir exchange;
    frm.syncPath = exchange.path() + "/";
    WriteFileBytes(Exchange("airport.txt"), "stale\r\n");
    if (c.createDatabase) builder.AddDatabase(kCacheDatabase, {CacheRecord(2, "EDDF", "")});
    if (c.removeExchange) std::filesystem::remove_all(exchange.path());
    window.messages.clear();
    window.activity.clear();

    EXPECT_FALSE(PDAtoPC_CorvaneCache(frm, link)) << c.label;
    ExpectFailure("PDA2PCCorvaneCache Error!!",
                  "PDAtoPC_CorvaneCache: " + std::to_string(c.number) + " - ");
    EXPECT_EQ(window.log_items.back(), window.messages[0].text);
    if (!c.removeExchange) {
      EXPECT_EQ(ReadFileBytes(Exchange("airport.txt")), "") << "emptied first";
    }
  }
}

}  // namespace
}  // namespace corvane
