// The transfers from the exchange folder onto the handheld.

#include <gtest/gtest.h>

#include "export/cache_export.h"
#include "export/report_export.h"
#include "export/schema_export.h"
#include "fixtures/handheld_builder.h"
#include "fixtures/pdb_test_support.h"

namespace corvane {
namespace {

using testing::CacheRecord;
using testing::SchemaRecord;
using testing::TextsRecord;
using testing::WriteFileBytes;

constexpr const char *kSchema = "CRVN_Corvane_Schema", *kCache = "CRVN_Corvane_Cache",
                     *kReports = "CRVN_Corvane_Reports";

// Records as the handheld receives them: a schema record fills 201 bytes, a
// cache record ends with one more zero, a report record fills 10,241 bytes.
Bytes Padded(Bytes record, size_t size) {
  record.resize(size, 0);
  return record;
}
Bytes Schema(int16_t panel, const std::string& type, const std::string& display,
             const std::string& field) {
  return Padded(SchemaRecord(panel, type, display, field), 201);
}
Bytes Cache(uint8_t type, const std::string& value, const std::string& dependent = "") {
  return TextsRecord({value, dependent, ""}, {type});
}
Bytes Report(const std::string& text, const std::string& rName) {
  return Padded(TextsRecord({text, rName}), 10241);
}

// Part records framed by a header and a footer, cut as the report was first
// cut, one search at a time from position 1: after the last CR LF that starts
// within the split size (what the name leaves of 10,240 bytes, less 200 for
// the frame), or after two bytes when none does.
std::vector<Bytes> Parts(std::string rest, const std::string& rName) {
  std::vector<Bytes> out;
  for (rest += "\r\n"; !rest.empty();) {
    long k = 1;
    for (long q = 1; q <= 10040 - long(rName.size());) {
      const size_t found = rest.find("\r\n", static_cast<size_t>(k = q));  // from position q + 1
      if (found == std::string::npos) break;
      q = static_cast<long>(found) + 1;
    }
    const std::string n = std::to_string(out.size() + 1);
    out.push_back(Report("part " + n + " of " + rName + "\r\n======================\r\n" +
                             rest.substr(0, k + 1) + "======================\r\nend of part",
                         rName + "[" + n + "]"));
    rest.erase(0, k + 1);
  }
  return out;
}

class ExportTest : public testing::HandheldTest {
 protected:
  // Runs transfer on a database holding an old record, after writing the
  // exchange files (a name ending in '/' is a folder).
  bool Run(bool (*transfer)(FrmMain&, HotSyncLink&), const char* db,
           const std::vector<std::pair<std::string, std::string>>& files) {
    std::filesystem::remove_all(frm.syncPath);
    for (const auto& [name, text] : files) {
      name.back() == '/' ? (void)temp.Sub("exchange/" + name)
                         : WriteFileBytes(temp.File("exchange/" + name), text);
    }
    builder.AddDatabase(db, {TextsRecord({"old", "old"})});
    window.messages.clear();
    window.log_items.clear();
    return transfer(frm, link);
  }
};

TEST_F(ExportTest, SchemaLinesReplaceTheRecordsUpToABadLine) {
  const std::string s196(194, 'n');  // with "T" and "D": exactly the 196 bytes that fit
  EXPECT_TRUE(
      Run(PCtoPDA_CorvaneSchema, kSchema,
          {{"CORVANE.TXT", " FN1 | T1 | D 1 |  3 |extra\r\n  \r\n\r\n|||-2\r\nA\rB|T\n|D|2.5\r\n" +
                               s196 + "|T|D|1\r\nM\xFC|\xE9|\xFF|7\r\n"}}));
  // clang-format off
  EXPECT_EQ(Records(kSchema), (std::vector<Bytes>{
      Schema(3, " T1 ", " D 1 ", "FN1"), Schema(-2, "", "", ""), Schema(2, "T\n", "D", "A\rB"),
      Schema(1, "T", "D", s196), Schema(7, "\xE9", "\xFF", "M\xFC")}));
  const std::pair<std::string, const char*> bad[] = {{"X|T|D", "9 - Subscript out of range"},
      {"X|T|D|", "13 - Type mismatch"}, {std::string(195, 'n') + "|T|D|1", "-2147213294 - "}};
  // clang-format on
  for (const auto& [line, error] : bad) {
    EXPECT_FALSE(Run(PCtoPDA_CorvaneSchema, kSchema,
                     {{"corvane.txt", "GOOD|T|D|1\r\n" + line + "\r\nLATER|T|D|2"}}));
    ExpectFailure("PC2PDACorvaneSchema Error!!", error);
    EXPECT_EQ(Records(kSchema), std::vector<Bytes>{Schema(1, "T", "D", "GOOD")});
  }
  const char* text = "Corvane.txt is not found. Conduit will not transfer Corvane_Schema file PDA.";
  EXPECT_FALSE(Run(PCtoPDA_CorvaneSchema, kSchema, {}));
  EXPECT_EQ(window.log_items, std::vector<std::string>{text});
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].title + ": " + window.messages[0].text,
            "PCtoPDA_CorvaneSchema Error.: " + std::string(text));
  EXPECT_EQ(Records(kSchema).size(), 1u);  // left as it was
}

TEST_F(ExportTest, ListsOfSixteenBitLengthAtMost) {
  std::string lines;
  for (int i = 0; i < 32767; ++i) lines += "A|T|D|1\r\n";
  // 32,767 lines, the last one closed by its CR LF: still countable, every one sent.
  EXPECT_TRUE(Run(PCtoPDA_CorvaneCache, kCache, {{"airport.txt", lines}}));
  EXPECT_EQ(Records(kCache).size(), 32767u);
  // One more line: the list is refused whole and the persons never go.
  EXPECT_FALSE(
      Run(PCtoPDA_CorvaneCache, kCache, {{"airport.txt", lines + "B"}, {"person.txt", "Smith"}}));
  ExpectFailure("PC2PDACorvaneCache Error!!", "6 - Overflow");
  EXPECT_TRUE(Records(kCache).empty());
  // 32,768 schema lines: every one handled, then the 16-bit index cannot step on.
  EXPECT_FALSE(Run(PCtoPDA_CorvaneSchema, kSchema, {{"corvane.txt", lines + "LAST|T|D|2"}}));
  ExpectFailure("PC2PDACorvaneSchema Error!!", "6 - Overflow");
  EXPECT_EQ(Records(kSchema).size(), 32768u);
  // One more: refused before the first line, after the database was emptied.
  EXPECT_FALSE(Run(PCtoPDA_CorvaneSchema, kSchema, {{"corvane.txt", lines + "\r\nLAST|T|D|2"}}));
  EXPECT_TRUE(Records(kSchema).empty());
}

TEST_F(ExportTest, CacheListsInOrderWithTheirReadingRules) {
  // Written in the import's spelling; the export asks for person.txt and SIMULATOR.txt.
  const std::string r(32760, 'r'), fits = r + "|tttt";  // 32,764 characters: the most that fit
  // clang-format off
  EXPECT_TRUE(Run(PCtoPDA_CorvaneCache, kCache, {{"simulator.txt", "FNPT II\r\n"},
      {"PERSON.txt", "  Smith  \r\n\r\n  \r\nvan der Berg"}, {"airport.txt", "\tX\r\nLO WW"},
      {"acreg_actype.txt",
       fits + "t\r\nD-EABC|C172\r\n D-EONE \r\nD-ETWO|PA28|third\r\n|C152\r\n" + fits}}));
  EXPECT_EQ(Records(kCache), (std::vector<Bytes>{Cache(2, "\tX"), Cache(2, "LO WW"),
      Cache(1, "D-EABC", "C172"), Cache(1, "D-EONE"), Cache(1, "D-ETWO", "PA28"),
      Cache(1, "", "C152"), Cache(1, r, "tttt"), Cache(3, "Smith"), Cache(3, "van der Berg"),
      Cache(4, "FNPT II")}));
  // clang-format on
  // A record that cannot be built is shown and skipped.
  EXPECT_EQ(window.log_items[3], "Failed to transfer record.");
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].text, "6 - Overflow");
  // A list that is missing, unreadable or blank sends nothing.
  frm.currentVerboseLevel = 5;
  EXPECT_TRUE(Run(PCtoPDA_CorvaneCache, kCache, {{"airport.txt/", ""}, {"person.txt", "  "}}));
  EXPECT_EQ(window.log_items[2].find("21 - Is a directory: "), 0u) << window.log_items[2];
  EXPECT_EQ(window.log_items[3], "Failed to load list of airports.");
  EXPECT_EQ(window.log_items[6].find("2 - No such file or directory: "), 0u);
  EXPECT_EQ(window.log_items[7], "Failed to load list.");
  EXPECT_EQ(window.log_items[10], "Nothing to export.");
  EXPECT_TRUE(Records(kCache).empty());
  std::filesystem::remove(builder.DatabasePath(kCache));
  EXPECT_FALSE(PCtoPDA_CorvaneCache(frm, link));
  ExpectFailure("PC2PDACorvaneCache Error!!", "-2147213296 - ");
}

TEST_F(ExportTest, ReportsOneRecordUpToTheUsingSizePartsBeyondInByteOrderUpToTheFirstFailure) {
  std::string lines;  // 101 lines of 101 bytes
  for (int i = 0; i < 101; ++i) lines += std::string(99, static_cast<char>('a' + i % 26)) + "\r\n";
  const std::string one_over = lines + std::string(35, 'z'),
                    overlong = std::string(12000, 'L') + "\r\nshort";
  auto limit = [](size_t name) {
    return std::string(10039 - name, 'y') + "\r\n" + std::string(400, 'z');
  };
  const std::string n124(124, 'n'), x(10235, 'x');
  // clang-format off
  const std::tuple<std::string, std::string, std::vector<Bytes>> reports[] = {
      {"r.txt", x, {Report(x, "r")}},            // 10,240 bytes in all
      {"reportx", "", {Report("", "rep")}},      // the last four characters dropped
      {"r.txt", one_over, Parts(one_over, "r")},  // first cut after the last whole line
      {"a.txt", overlong, Parts(overlong, "a")},  // an overlong line goes two bytes a part
      {n124 + ".txt", limit(124), Parts(limit(124), n124)}};  // the longest name that fits
  // clang-format on
  for (const auto& [file, text, records] : reports) {
    EXPECT_TRUE(Run(PCtoPDA_CorvaneReport, kReports, {{"Reports/" + file, text}})) << file;
    EXPECT_EQ(Records(kReports), records) << file;
  }
  EXPECT_FALSE(Run(PCtoPDA_CorvaneReport, kReports, {{"Reports/n" + n124 + ".txt", limit(125)}}));
  ExpectFailure("PC2PDACorvaneReports Error!!", "-2147213294 - ");
  // clang-format off
  // Taken as Windows lists them: letter case ignored (letters as capitals, so
  // before '_'), then byte order.
  EXPECT_TRUE(Run(PCtoPDA_CorvaneReport, kReports, {{"Reports/b.txt", "b"}, {"Reports/B.txt", "B"},
      {"Reports/_x.txt", "_x"}, {"Reports/a.txt", "a"}, {"Reports/10.txt", "10"},
      {"Reports/9.txt", "9"}, {"Reports/sub.txt/", ""}}));
  EXPECT_EQ(Records(kReports), (std::vector<Bytes>{Report("10", "10"), Report("9", "9"),
      Report("a", "a"), Report("B", "B"), Report("b", "b"), Report("_x", "_x")}));
  EXPECT_EQ(window.log_items.back(), "6/6 DONE");
  EXPECT_FALSE(Run(PCtoPDA_CorvaneReport, kReports, {{"Reports/Aaaa.txt", "first"},
      {"Reports/abc", "x"}, {"Reports/zzz.txt", "never"}}));
  // clang-format on
  ExpectFailure("PC2PDACorvaneReports Error!!", "5 - Invalid procedure call or argument");
  EXPECT_EQ(Records(kReports), std::vector<Bytes>{Report("first", "Aaaa")});
  // Without its folder the database is emptied all the same.
  EXPECT_FALSE(Run(PCtoPDA_CorvaneReport, kReports, {}));
  ExpectFailure("PC2PDACorvaneReports Error!!", "2 - ");
  EXPECT_TRUE(Records(kReports).empty());
}

// The databases the export transfers write, as Palm::PDB loads them.
using ExportInteropTest = testing::HandheldTest;

TEST_F(ExportInteropTest, WrittenDatabasesLoadInPalmPdb) {
  const char* databases[] = {"CRVN_Corvane_Schema", "CRVN_Corvane_Cache", "CRVN_Corvane_Reports"};
  for (const char* db : databases) builder.AddDatabase(db, {testing::TextsRecord({"old"})});
  WriteFileBytes(Exchange("corvane.txt"), "Date|D|Date of flight|1\r\nReg|T|Registration|2\r\n");
  WriteFileBytes(Exchange("airport.txt"), "EDDF\r\nLOWW");
  WriteFileBytes(Exchange("acreg_actype.txt"), "D-EABC|C172");
  std::string big;
  while (big.size() < 25000) big += "a line of a large report\r\n";
  WriteFileBytes(temp.File("exchange/Reports/Big.txt"), big);
  WriteFileBytes(temp.File("exchange/Reports/Small.txt"), "small");
  ASSERT_TRUE(PCtoPDA_CorvaneReport(frm, link));
  ASSERT_TRUE(PCtoPDA_CorvaneSchema(frm, link));
  ASSERT_TRUE(PCtoPDA_CorvaneCache(frm, link));
  link.Flush(clock);
  for (const char* db : databases) {  // the large report in three parts
    EXPECT_TRUE(
        testing::PalmPdbSees(builder.DatabasePath(db), ReadPdbFile(builder.DatabasePath(db))));
  }
}

}  // namespace
}  // namespace corvane
