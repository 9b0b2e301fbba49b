// The databases the export transfers write, as Palm::PDB (Debian's
// libpalm-pdb-perl), an independent reader of the format, loads them.

#include <gtest/gtest.h>

#include "export/cache_export.h"
#include "export/report_export.h"
#include "export/schema_export.h"
#include "fixtures/handheld_builder.h"
#include "fixtures/pdb_test_support.h"
#include "handheld/pdb_format.h"

namespace corvane {
namespace {

using testing::WriteFileBytes;

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

  frm.currentVerboseLevel = 1;
  ASSERT_TRUE(PCtoPDA_CorvaneReport(frm, link));
  ASSERT_TRUE(PCtoPDA_CorvaneSchema(frm, link));
  ASSERT_TRUE(PCtoPDA_CorvaneCache(frm, link));
  link.Flush();

  const size_t expected_records[] = {2, 3, 4};  // the large report in three parts
  for (size_t i = 0; i < 3; ++i) {
    const std::string path = builder.DatabasePath(databases[i]);
    const PdbFile ours = ReadPdbFile(path);
    EXPECT_EQ(ours.records.size(), expected_records[i]) << path;
    const testing::CommandResult perl = testing::PalmPdbView(path);
    ASSERT_EQ(perl.status, 0) << "Palm::PDB could not load " << path;
    EXPECT_EQ(perl.output, testing::CanonicalForm(ours));
    EXPECT_EQ(perl.output.find("data=6f6c6400"), std::string::npos) << "old record left";
  }
}

}  // namespace
}  // namespace corvane
