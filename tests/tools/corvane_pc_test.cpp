// The pure parts of corvane-pc, the PC application's stand-in: its CSV
// logbook, the flights of db.txt, the pick lists, the schema, the reports
// and the pending flights.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "corvane_pc/csv.h"
#include "corvane_pc/logbook.h"
#include "corvane_pc/options.h"
#include "corvane_pc/pick_lists.h"
#include "corvane_pc/reports.h"
#include "corvane_pc/schema.h"
#include "corvane_pc/staging.h"
#include "fixtures/temp_dir.h"
#include "support/conduit_error.h"

namespace corvane::pc {
namespace {

using corvane::testing::ReadFileBytes;
using corvane::testing::TempDir;
using corvane::testing::WriteFileBytes;

TEST(CorvanePcCsv, FieldsAreQuotedOnlyWhenTheyMustBe) {
  struct Case {
    std::string value, field;
  } cases[] = {
      {"EDDF", "EDDF"},
      {"", ""},
      {"Cross-country, smooth", "\"Cross-country, smooth\""},
      {"the \"big\" one", "\"the \"\"big\"\" one\""},
      {"two\r\nlines", "\"two\r\nlines\""},
      {"lone\nLF", "\"lone\nLF\""},
      {" spaces kept ", " spaces kept "},
  };
  for (const Case& c : cases) EXPECT_EQ(CsvField(c.value), c.field) << c.value;
  EXPECT_EQ(CsvLine({"a", "b,c", ""}), "a,\"b,c\",\r\n");
}

TEST(CorvanePcCsv, ParsingGivesBackWhatWasWritten) {
  std::vector<CsvRow> rows = {{"Date", "Remarks", "To"},
                              {"2025-09-09", "Circuits, \"windy\"", ""},
                              {"", "line one\r\nline two", "EDDF"},
                              {"x", "", ""}};
  std::string text;
  for (const CsvRow& row : rows) text += CsvLine(row);
  EXPECT_EQ(ParseCsv(text), rows);
  // LF line ends and a missing last line end read the same.
  EXPECT_EQ(ParseCsv("a,b\nc,d"), (std::vector<CsvRow>{{"a", "b"}, {"c", "d"}}));
}

TEST(CorvanePcCsv, DamagedTextIsAnErrorNotAShorterLogbook) {
  for (const char* text : {"a,\"never closed\r\nb,c\r\n", "a,\"closed\"x,b\r\n"}) {
    EXPECT_THROW(ParseCsv(text), ConduitError) << text;
  }
}

TEST(CorvanePcFlights, DbTxtPairsBecomeFlights) {
  using Values = std::vector<std::vector<std::string>>;
  struct Case {
    std::string text;
    Values values;
  } cases[] = {
      {"^Date|From|To\r\n2025-09-09|EDDF|EDDM\r\n^Date|From|To\r\n|EDFE|\r\n",
       {{"2025-09-09", "EDDF", "EDDM"}, {"", "EDFE", ""}}},
      {"", {}},
      {"\r\n\r\n", {}},  // a schema-less handheld
      // A value holding "|" is not escaped: the surplus stays in the last field.
      {"^Date|Remarks\r\n2025-09-09|a|b|c\r\n", {{"2025-09-09", "a|b|c"}}},
      {"^A|B|C\r\nx\r\n", {{"x", "", ""}}},  // fewer values than names
  };
  for (const Case& c : cases) {
    Values values;
    for (const Flight& f : ParseFlights(c.text)) values.push_back(f.values);
    EXPECT_EQ(values, c.values) << c.text;
  }
  EXPECT_EQ(ParseFlights(cases[0].text)[1].names, (std::vector<std::string>{"Date", "From", "To"}));
  // A names line without its value line is a damaged file.
  EXPECT_THROW(ParseFlights("^A|B\r\n1|2\r\n^A|B\r\n"), ConduitError);
}

TEST(CorvanePcLogbook, FlightsAreAddedByNameAndNeverTwice) {
  Logbook book = ParseLogbook("Date,To\r\n2025-09-09,EDDM\r\n");
  std::vector<Flight> flights = {
      {{"Date", "To"}, {"2025-09-09", "EDDM"}},  // already in the logbook
      {{"To", "Date"}, {"EDFE", "2025-09-10"}},  // columns in another order
      {{"Date", "To", "Remarks"}, {"2025-09-11", "EDDS", "new column"}},
  };
  std::vector<CsvRow> added = AddFlights(book, flights);
  EXPECT_EQ(book.header, (CsvRow{"Date", "To", "Remarks"}));
  EXPECT_EQ(added, (std::vector<CsvRow>{{"2025-09-10", "EDFE", ""},
                                        {"2025-09-11", "EDDS", "new column"}}));
  EXPECT_EQ(book.rows.size(), 3u);
  EXPECT_EQ(book.rows[0], (CsvRow{"2025-09-09", "EDDM", ""}));
  // The same import again adds nothing.
  EXPECT_TRUE(AddFlights(book, flights).empty());
  EXPECT_EQ(book.rows.size(), 3u);
}

TEST(CorvanePcLogbook, EachIdenticalRowStandsForOneFlight) {
  Flight same{{"Date", "To"}, {"2025-09-09", "EDDM"}};
  Logbook book;
  EXPECT_EQ(AddFlights(book, {same, same}).size(), 2u);
  // Three of them come in again, two are known: one is new.
  EXPECT_EQ(AddFlights(book, {same, same, same}).size(), 1u);
  EXPECT_EQ(book.rows.size(), 3u);
}

TEST(CorvanePcLogbook, RoundTripAndDamagedRows) {
  Logbook book{{"Date", "Remarks"}, {{"2025-09-09", "a, \"b\""}, {"2025-09-10", ""}}};
  Logbook back = ParseLogbook(LogbookCsv(book));
  EXPECT_EQ(back.header, book.header);
  EXPECT_EQ(back.rows, book.rows);
  EXPECT_EQ(LogbookCsv(Logbook{}), "");
  // A short row is padded; a row longer than the header is a damaged logbook.
  EXPECT_EQ(ParseLogbook("A,B\r\nx\r\n").rows[0], (CsvRow{"x", ""}));
  EXPECT_THROW(ParseLogbook("A,B\r\nx,y,z\r\n"), ConduitError);
}

TEST(CorvanePcLists, ListFilesAreReadTrimmedWithoutBlankLines) {
  EXPECT_EQ(ParseList(ListKind::kAirport, " EDDF \r\n\r\n   \r\nEDDM\r\n"),
            (std::vector<std::string>{"EDDF", "EDDM"}));
  EXPECT_EQ(ParseList(ListKind::kAircraft, "D-EABC | C172 \r\nD-EFGH\r\nD-EKLM|PA28|x\r\n|\r\n"),
            (std::vector<std::string>{"D-EABC|C172", "D-EFGH|", "D-EKLM|PA28"}));
}

TEST(CorvanePcLists, MergedListsAreSortedAndHoldEachEntryOnce) {
  EXPECT_EQ(MergeList(ListKind::kAirport, {"EDDK", "edfe"}, {"EDFE", "EDDF", "EDDK"}),
            (std::vector<std::string>{"EDDF", "EDDK", "edfe"}));
  // Aircraft by registration: the handheld's type wins when it has one.
  EXPECT_EQ(MergeList(ListKind::kAircraft, {"D-EABC|C172", "D-ESTU|", "D-EXYZ|C152"},
                      {"d-eabc|", "D-ESTU|DR40", "D-EXYZ|C150", "D-EFGH|PA28"}),
            (std::vector<std::string>{"D-EABC|C172", "D-EFGH|PA28", "D-ESTU|DR40", "D-EXYZ|C150"}));
  EXPECT_EQ(ListText({"a", "b"}), "a\r\nb\r\n");
  EXPECT_EQ(ListText({}), "");
}

TEST(CorvanePcSchema, SchemaLinesBecomeCorvaneTxt) {
  std::vector<SchemaField> fields =
      ParseSchema("# comment\nDate|DATE|Date|1\r\n\r\n Remarks |TEXT| Remarks | 3 |extra\n");
  ASSERT_EQ(fields.size(), 2u);
  EXPECT_EQ(fields[1].name, "Remarks");
  EXPECT_EQ(fields[1].display, " Remarks ");
  EXPECT_EQ(fields[1].panel, 3);
  EXPECT_EQ(SchemaText(fields), "Date|DATE|Date|1\r\nRemarks|TEXT| Remarks |3\r\n");
  for (const char* bad : {"Date|DATE|Date\n", "Date|DATE|Date|one\n", "Date|DATE|Date|40000\n"}) {
    EXPECT_THROW(ParseSchema(bad), ConduitError) << bad;
  }
}

TEST(CorvanePcReports, Durations) {
  struct Case {
    const char* text;
    bool ok;
    long minutes;
  } cases[] = {{"1:05", true, 65}, {"0:35", true, 35},  {"12:00", true, 720},
               {"45", true, 45},   {"1:5", false, 0},   {"1:60", false, 0},
               {"", false, 0},     {"-1:00", false, 0}, {"1.5", false, 0}};
  for (const Case& c : cases) {
    long minutes = -1;
    EXPECT_EQ(ParseDuration(c.text, minutes), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(minutes, c.minutes) << c.text;
    }
  }
  EXPECT_EQ(FormatDuration(0), "0:00");
  EXPECT_EQ(FormatDuration(1565), "26:05");
}

Logbook Flights(size_t n) {
  Logbook book{{"Date", "OffBlock", "AcType", "TotalTime", "Landings"}, {}};
  for (size_t i = 0; i < n; ++i) {
    // Entered out of order: the reports sort by date.
    std::string day = std::to_string(10 + (i * 7) % n);
    book.rows.push_back({"2025-10-" + day, "09:00", i % 3 ? "C172" : "PA28", "1:10", "2"});
  }
  return book;
}

TEST(CorvanePcReports, TotalsLastFlightsAndWholeLogbook) {
  std::vector<Report> reports =
      BuildReports(Flights(12), {{"AcType", "ACTYPE", "Aircraft type", 1}});
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_EQ(reports[0].file_name, "Totals.txt");
  EXPECT_NE(reports[0].text.find("C172               8      9:20        16\r\n"), std::string::npos)
      << reports[0].text;
  EXPECT_NE(reports[0].text.find("All               12     14:00        24\r\n"),
            std::string::npos);
  EXPECT_EQ(reports[1].file_name, "Last20.txt");
  // Sorted by date: the first line after the title is the earliest flight.
  EXPECT_NE(reports[1].text.find("\r\n\r\n2025-10-10 "), std::string::npos) << reports[1].text;
  EXPECT_EQ(reports[2].file_name, "Logbook.txt");
  EXPECT_NE(reports[2].text.find("Aircraft type       : PA28\r\n"), std::string::npos);
  EXPECT_NE(reports[2].text.find("Total time to date  : 14:00\r\n"), std::string::npos);
  // Only the last twenty of thirty.
  std::string last = BuildReports(Flights(30), {})[1].text;
  EXPECT_EQ(std::count(last.begin(), last.end(), '\n'), 22);
}

TEST(CorvanePcReports, RecordsOnTheHandheldFollowTheConduitsSplit) {
  // Name "Big" (3) + text + 4 fits 10240 exactly; one byte more is split.
  EXPECT_EQ(HandheldRecords({"Big.txt", std::string(10233, 'x')}), 1u);
  std::string lines;
  while (lines.size() < 10234) lines += std::string(98, 'y') + "\r\n";
  lines.resize(10234 - 2);
  lines += "\r\n";
  EXPECT_EQ(HandheldRecords({"Big.txt", lines}), 2u);
  // Lines of 100 bytes, pieces of at most 10037: 25,000 bytes make 3 parts.
  std::string big;
  for (int i = 0; i < 250; ++i) big += std::string(98, 'z') + "\r\n";
  EXPECT_EQ(HandheldRecords({"Big.txt", big}), 3u);
}

TEST(CorvanePcReports, WritingReportsRemovesStaleOnes) {
  TempDir temp;
  std::string folder = temp.path() + "/Reports";
  std::filesystem::create_directories(folder + "/keep");
  WriteFileBytes(folder + "/Old.txt", "stale");
  WriteReports(folder, {{"Totals.txt", "t\r\n"}, {"Last20.txt", "l\r\n"}});
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    names.insert(e.path().filename().string());
  }
  EXPECT_EQ(names, (std::set<std::string>{"Last20.txt", "Totals.txt", "keep"}));
  EXPECT_EQ(ReadFileBytes(folder + "/Totals.txt"), "t\r\n");
}

TEST(CorvanePcStaging, PendingFlightsEnterTheLogbookOnceAndGo) {
  TempDir temp;
  std::string logbook = temp.path() + "/logbook.csv";
  WriteFileBytes(logbook, "Date,To\r\n2025-09-09,EDDM\r\n");
  EXPECT_EQ(CommitPending(logbook), 0u);  // nothing pending
  StageFlights(logbook, {"Date", "To"}, {{"2025-09-09", "EDDM"}, {"2025-09-10", "EDFE"}});
  EXPECT_EQ(ReadFileBytes(logbook), "Date,To\r\n2025-09-09,EDDM\r\n");  // not yet
  EXPECT_EQ(CommitPending(logbook), 1u);
  EXPECT_EQ(ReadFileBytes(logbook), "Date,To\r\n2025-09-09,EDDM\r\n2025-09-10,EDFE\r\n");
  EXPECT_FALSE(std::filesystem::exists(PendingPath(logbook)));
  // Staging nothing leaves no pending file behind.
  StageFlights(logbook, {"Date"}, {{"x"}});
  StageFlights(logbook, {"Date"}, {});
  EXPECT_FALSE(std::filesystem::exists(PendingPath(logbook)));
  // A logbook that does not exist yet is created by the commit.
  std::string fresh = temp.path() + "/fresh.csv";
  StageFlights(fresh, {"Date"}, {{"2025-09-09"}});
  EXPECT_EQ(CommitPending(fresh), 1u);
  EXPECT_EQ(ReadFileBytes(fresh), "Date\r\n2025-09-09\r\n");
}

TEST(CorvanePcOptions, CommandLines) {
  Options o = ParseOptions({"--exchange", "ex", "--handheld", "hh", "--logbook", "l.csv", "--data",
                            "pc", "--timeout", "2.5", "--conduit", "/c"});
  EXPECT_EQ(o.exchange, "ex");
  EXPECT_EQ(o.conduit, "/c");
  EXPECT_EQ(o.hotsync, "");
  EXPECT_DOUBLE_EQ(o.timeout, 2.5);
  EXPECT_TRUE(ParseOptions({"--help"}).help);
  const std::vector<std::string> no_data = {"--exchange", "ex",        "--handheld",
                                            "hh",         "--logbook", "l.csv"};
  std::vector<std::string> zero = no_data, unit = no_data;
  zero.insert(zero.end(), {"--data", "pc", "--timeout", "0"});
  unit.insert(unit.end(), {"--data", "pc", "--timeout", "5s"});
  for (const auto& args : {no_data, zero, unit, {"--exchange"}, {"--frobnicate", "x"}}) {
    EXPECT_THROW(ParseOptions(args), ConduitError) << args.size();
  }
}

}  // namespace
}  // namespace corvane::pc
