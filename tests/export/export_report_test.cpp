#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "export/report_export.h"
#include "export/report_pieces.h"
#include "fixtures/handheld_builder.h"
#include "support/conduit_error.h"

namespace corvane {
namespace {

using testing::TextsRecord;

constexpr const char* kReports = "CRVN_Corvane_Reports";
constexpr const char* kTitle = "PC2PDACorvaneReports Error!!";
constexpr size_t kRecordSize = 10241;
const std::string kRule = "======================";

// The cut as first written, one InStr at a time, positions from 1: the
// yardstick for the forward-only search.
std::vector<std::string> SlowPieces(std::string rest, int split) {
  std::vector<std::string> pieces;
  while (!rest.empty()) {
    long k = 1, q = 1;
    for (size_t found; q <= split; q = static_cast<long>(found) + 1) {
      k = q;
      found = rest.find("\r\n", static_cast<size_t>(q));  // from position q + 1
      if (found == std::string::npos) break;
    }
    pieces.push_back(rest.substr(0, static_cast<size_t>(k + 1)));
    rest = rest.substr(std::min(rest.size(), static_cast<size_t>(k + 1)));
  }
  return pieces;
}

Bytes SingleRecord(const std::string& text, const std::string& rName) {
  Bytes r = TextsRecord({text, rName});
  r.resize(kRecordSize, 0);
  return r;
}

Bytes PartRecord(int n, const std::string& rName, const std::string& piece) {
  const std::string part = "part " + std::to_string(n) + " of " + rName + "\r\n" + kRule + "\r\n" +
                           piece + kRule + "\r\nend of part";
  Bytes r = TextsRecord({part, rName + "[" + std::to_string(n) + "]"});
  r.resize(kRecordSize, 0);
  return r;
}

std::vector<Bytes> PartRecords(const std::string& text, const std::string& rName) {
  std::vector<Bytes> out;
  int n = 1;
  for (const std::string& piece : SlowPieces(text + "\r\n", 10040 - static_cast<int>(rName.size())))
    out.push_back(PartRecord(n++, rName, piece));
  return out;
}

// Lines of 99 characters and their CR LF.
std::string Lines(int count) {
  std::string s;
  for (int i = 0; i < count; ++i) s += std::string(99, static_cast<char>('a' + i % 26)) + "\r\n";
  return s;
}

TEST(ReportPiecesTest, CutsWhereTheLineByLineSearchCuts) {
  std::string text;
  uint32_t seed = 12345;
  for (int i = 0; i < 3000; ++i) {
    seed = seed * 1103515245u + 12345u;
    text += "\r\n\r\nxy"[(seed >> 16) % 6];
  }
  for (const std::string& t : {text, std::string("x"), std::string()}) {
    for (int split : {-5, 0, 1, 2, 3, 4, 7, 50, 2999, 3000, 5000}) {
      std::vector<std::string> fast;
      for (ReportPieces p(t, split); !p.Done();) fast.emplace_back(p.Next());
      EXPECT_EQ(fast, SlowPieces(t, split)) << t.size() << " bytes, split " << split;
    }
  }
}

class ReportExportTest : public testing::HandheldTest {
 protected:
  void SetUp() override {
    frm.currentVerboseLevel = 10;
    window.messages.clear();
    std::filesystem::remove_all(reports);
    builder.AddDatabase(kReports, {TextsRecord({"old", "old"})});
    reports = temp.Sub("exchange/Reports");
  }
  void AddReport(const std::string& name, const std::string& text) {
    testing::WriteFileBytes(temp.File("exchange/Reports/" + name), text);
  }
  std::string reports = temp.Sub("exchange/Reports");
};

TEST_F(ReportExportTest, SingleRecordUpToTheUsingSize) {
  struct Case {
    std::string file, text;
  } cases[] = {
      {"r.txt", std::string(10240 - 1 - 4, 'x')},  // needed size exactly 10240
      {"Totals.txt", "line 1\r\nline 2"},
      {"empty.txt", ""},
      {"reportx", "t"},  // the last four characters dropped whatever they are
  };
  for (const Case& c : cases) {
    SetUp();
    AddReport(c.file, c.text);
    EXPECT_TRUE(PCtoPDA_CorvaneReport(frm, link));
    const std::string rName = c.file.substr(0, c.file.size() - 4);
    EXPECT_EQ(Records(kReports), std::vector<Bytes>{SingleRecord(c.text, rName)}) << c.file;
  }
}

TEST_F(ReportExportTest, OneByteMoreIsSplit) {
  // 101 lines of 101 bytes with 35 more make 10,236: one over.
  const std::string text = Lines(101) + std::string(35, 'z');
  AddReport("r.txt", text);
  EXPECT_TRUE(PCtoPDA_CorvaneReport(frm, link));
  // The first cut lands after the last whole line within the split size (10039).
  EXPECT_EQ(Records(kReports),
            (std::vector<Bytes>{PartRecord(1, "r", Lines(99)),
                                PartRecord(2, "r", text.substr(99 * 101) + "\r\n")}));
}

TEST_F(ReportExportTest, PartsAreNumberedAndFramed) {
  const std::string text = Lines(250);  // already ends in CR LF
  AddReport("Flights by type.txt", text);
  EXPECT_TRUE(PCtoPDA_CorvaneReport(frm, link));
  const std::vector<Bytes> records = Records(kReports);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records, PartRecords(text, "Flights by type"));
  // The appended CR LF leaves an empty last line.
  const std::string last(reinterpret_cast<const char*>(records[2].data()));
  const std::string ending = "\r\n\r\n" + kRule + "\r\nend of part";
  EXPECT_EQ(last.substr(last.size() - ending.size()), ending);
}

TEST_F(ReportExportTest, OverlongLineGoesTwoCharactersAPart) {
  const std::string text = std::string(12000, 'L') + "\r\nshort";
  AddReport("a.txt", text);
  frm.currentVerboseLevel = 1;
  EXPECT_TRUE(PCtoPDA_CorvaneReport(frm, link));
  const std::vector<Bytes> records = Records(kReports);
  // 981 parts of "LL" bring the rest of the line within the split size.
  ASSERT_EQ(records.size(), 983u);
  EXPECT_EQ(records[0], PartRecord(1, "a", "LL"));
  EXPECT_EQ(records[980], PartRecord(981, "a", "LL"));
  EXPECT_EQ(records[981], PartRecord(982, "a", std::string(10038, 'L') + "\r\n"));
  EXPECT_EQ(records[982], PartRecord(983, "a", "short\r\n"));
  EXPECT_EQ(records, PartRecords(text, "a"));
}

TEST_F(ReportExportTest, PartNameAtTheBufferLimit) {
  // A first piece of split size + 1 bytes: name length + 2 * digits may be 126.
  for (size_t nameLength : {124u, 125u}) {
    SetUp();
    const std::string rName(nameLength, 'n');
    const size_t split = 10040 - nameLength;
    const std::string text = std::string(split - 1, 'y') + "\r\n" + std::string(400, 'z');
    AddReport(rName + ".txt", text);
    const bool ok = PCtoPDA_CorvaneReport(frm, link);
    const std::vector<Bytes> records = Records(kReports);
    if (nameLength == 124) {
      EXPECT_TRUE(ok);
      ASSERT_EQ(records.size(), 2u);
      EXPECT_EQ(records[0], PartRecord(1, rName, text.substr(0, split + 1)));
      EXPECT_EQ(records[0][kRecordSize - 2], ']');
    } else {
      EXPECT_FALSE(ok);
      ExpectFailure(kTitle, std::to_string(err::kBufferOverrun) + " - ");
      EXPECT_TRUE(records.empty());
    }
  }
}

TEST_F(ReportExportTest, FilesTakenByNameAsWindowsListsThem) {
  for (const char* name : {"b.txt", "B.txt", "a.txt", "_x.txt", "10.txt", "9.txt"}) {
    AddReport(name, name);
  }
  AddReport("sub.txt/inner.txt", "not a report");
  EXPECT_TRUE(PCtoPDA_CorvaneReport(frm, link));
  // Letter case ignored (letters as capitals, so before '_'), then byte order.
  EXPECT_EQ(Records(kReports),
            (std::vector<Bytes>{SingleRecord("10.txt", "10"), SingleRecord("9.txt", "9"),
                                SingleRecord("a.txt", "a"), SingleRecord("B.txt", "B"),
                                SingleRecord("b.txt", "b"), SingleRecord("_x.txt", "_x")}));
}

TEST_F(ReportExportTest, ShortFileNameStopsWithEarlierRecordsKept) {
  AddReport("Aaaa.txt", "first");
  AddReport("abc", "short name");
  AddReport("zzz.txt", "never");
  EXPECT_FALSE(PCtoPDA_CorvaneReport(frm, link));
  ExpectFailure(kTitle, "5 - Invalid procedure call or argument");
  EXPECT_EQ(Records(kReports), std::vector<Bytes>{SingleRecord("first", "Aaaa")});
}

TEST_F(ReportExportTest, TwoCallsLeaveWhatOneLeaves) {
  AddReport("one.txt", "single");
  AddReport("two.txt", Lines(150));
  EXPECT_TRUE(PCtoPDA_CorvaneReport(frm, link));
  const std::vector<Bytes> once = Records(kReports);
  EXPECT_TRUE(PCtoPDA_CorvaneReport(frm, link));
  EXPECT_EQ(Records(kReports), once);
  std::vector<Bytes> expected = PartRecords(Lines(150), "two");
  expected.insert(expected.begin(), SingleRecord("single", "one"));
  EXPECT_EQ(once, expected);
}

TEST_F(ReportExportTest, MissingOrEmptyReportsFolderEmptiesTheDatabase) {
  frm.currentVerboseLevel = 1;
  EXPECT_TRUE(PCtoPDA_CorvaneReport(frm, link));
  EXPECT_EQ(window.log_items, std::vector<std::string>{"Processing 0 files"});
  EXPECT_TRUE(Records(kReports).empty());

  builder.AddDatabase(kReports, {TextsRecord({"old", "old"})});
  std::filesystem::remove_all(reports);
  EXPECT_FALSE(PCtoPDA_CorvaneReport(frm, link));
  ExpectFailure(kTitle, "2 - ");
  EXPECT_TRUE(Records(kReports).empty());
}

TEST_F(ReportExportTest, LogLinesCarryTheSizes) {
  AddReport("one.txt", "abc");
  AddReport("two.txt", Lines(110));
  EXPECT_TRUE(PCtoPDA_CorvaneReport(frm, link));
  EXPECT_TRUE(testing::InOrder(
      window.log_items,
      {"Open the handheld Database", "Processing 2 files", "Open text file to read (one.txt) .",
       "8:51 Report Size: 3, RName Size:3", "neededSize: 10", "usingSize: 10240", "1/2 DONE",
       "8:51 Report Size: 11110, RName Size:3", "neededSize: 11117", "Splitting file",
       "Split size: 10037", "PART 1 size:10073",  // 99 lines and the frame around them
       "PART 2 size:1187", "2/2 DONE"}))
      << ::testing::PrintToString(window.log_items);
}

}  // namespace
}  // namespace corvane
