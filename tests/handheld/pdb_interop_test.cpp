// Our reader and writer against Palm::PDB (Debian's libpalm-pdb-perl), an
// independent implementation of the format.

#include <gtest/gtest.h>

#include <filesystem>

#include "fixtures/fake_window.h"
#include "fixtures/pdb_test_support.h"
#include "fixtures/temp_dir.h"
#include "handheld/handheld_database.h"
#include "handheld/handheld_folder.h"
#include "handheld/sync_library.h"

namespace corvane {
namespace {

TEST(PdbInteropTest, SamplesReadTheSameAsPalmPdbReadsThem) {
  for (const std::string& name : testing::WellFormedSamples()) {
    EXPECT_TRUE(
        testing::PalmPdbSees(testing::SamplePath(name), ReadPdbFile(testing::SamplePath(name))));
  }
}

// What the handheld folder writes back after adding and clearing records.
TEST(PdbInteropTest, DatabasesWeWriteLoadInPalmPdb) {
  testing::TempDir dir;
  std::filesystem::copy_file(testing::SamplePath("pypalmdb-ToDoDB.pdb"),
                             dir.path() + "/ToDoDB.pdb");
  std::filesystem::copy_file(testing::SamplePath("small.pdb"), dir.path() + "/small.pdb");
  HandheldFolder folder(dir.path());
  auto todo = folder.Open("ToDoDB");
  const uint32_t modification = todo->file().header.modification_number;
  int32_t id = 0;
  PDRecordAdapter(todo).AddRecord(id, 0, 0, testing::ToBytes(std::string("\x01\x02new\0", 6)));
  auto small = folder.Open("CRVN_Corvane_Test");
  PDRecordAdapter(small).ClearRecords(0, 255);
  folder.Flush(testing::FakeClock());
  ASSERT_TRUE(small->records().empty());
  EXPECT_TRUE(testing::PalmPdbSees(dir.path() + "/ToDoDB.pdb", todo->file()));
  EXPECT_TRUE(testing::PalmPdbSees(dir.path() + "/small.pdb", small->file()));
  EXPECT_EQ(todo->file().header.modification_number, modification + 1);
}

}  // namespace
}  // namespace corvane
