// Damaged or hostile content is named for what it is: a report that cannot
// fit the handheld, a folder in place of status.flag, and handheld databases
// that could not be written at the end.

#include <filesystem>

#include "control/closing.h"
#include "control/handshake.h"
#include "export/report_export.h"
#include "fixtures/handheld_builder.h"
#include "support/conduit_error.h"

namespace corvane {
namespace {

using testing::ReadFileBytes;
using testing::WriteFileBytes;

constexpr const char* kReports = "CRVN_Corvane_Reports";

using DamageTest = testing::HandheldTest;

TEST_F(DamageTest, ReportThatCannotFitIsRefusedBeforeItsFirstPart) {
  // Deleted records are kept until the database is cleared, and it is only
  // cleared when it holds live ones: five places left.
  PdbFile file;
  file.header.SetName(kReports);
  for (uint32_t id = 1; id <= pdb::kMaxRecords - 5; ++id) {
    file.records.push_back({pdb::kRecordDeleted, id, {}});
  }
  const Bytes bytes = SerializePdb(file);
  WriteFileBytes(builder.DatabasePath(kReports), std::string(bytes.begin(), bytes.end()));
  std::string six_lines;
  for (int i = 0; i < 6; ++i) six_lines += std::string(9998, 'x') + "\r\n";
  struct Case {
    std::string text, message;
  } cases[] = {
      {six_lines,  // a line a part
       "Report long needs 6 parts, but CRVN_Corvane_Reports has room for 5 more records"},
      {std::string(1 << 20, 'x'),  // two characters a part
       "Report long needs 519272 parts, but CRVN_Corvane_Reports has room for 5 more records"},
  };
  for (const Case& c : cases) {
    window.messages.clear();
    WriteFileBytes(temp.File("exchange/Reports/long.txt"), c.text);
    EXPECT_FALSE(PCtoPDA_CorvaneReport(frm, link));
    ExpectFailure("PC2PDACorvaneReports Error!!",
                  std::to_string(err::kBadArgument) + " - " + c.message);
    EXPECT_TRUE(Records(kReports).empty());
    EXPECT_EQ(ReadPdbFile(builder.DatabasePath(kReports)).records.size(), pdb::kMaxRecords - 5);
  }
}

TEST_F(DamageTest, FolderInPlaceOfTheFlagReadsAsNoFlag) {
  frm.currentVerboseLevel = 20;
  std::filesystem::create_directory(Exchange("status.flag"));
  EXPECT_EQ(GetFlagStatus(frm), "");
  EXPECT_EQ(LogMessages(),
            (std::vector<std::string>{"GFS:reading status from flag file", "GFS:no flag file"}));
}

TEST_F(DamageTest, HandheldNotWrittenAtClosingIsLoggedWithTimeAndNumber) {
  builder.AddDatabase(kReports, {});
  {
    PDRecordAdapter db =
        PDDatabaseOpener(link).OpenDatabase(kReports, kRecordAdapterClass, kOpenReadWrite);
    int32_t id = 0;
    db.AddRecord(id, 0, 0, Bytes{1});
  }
  std::filesystem::remove_all(handheld_dir);
  EXPECT_THROW(CloseMainWindow(frm, link, kExitEnded), testing::RunEnded);
  const std::string log = ReadFileBytes(LogFile());
  EXPECT_EQ(log.rfind("2009-01-15 09:05:03 | handheld databases not written: 2 - ", 0), 0u) << log;
}

}  // namespace
}  // namespace corvane
