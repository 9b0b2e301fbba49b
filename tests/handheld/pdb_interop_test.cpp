// Our reader and writer against Palm::PDB (Debian's libpalm-pdb-perl), an
// independent implementation of the format.

#include <gtest/gtest.h>

#include <filesystem>

#include "fixtures/pdb_test_support.h"
#include "fixtures/temp_dir.h"
#include "handheld/handheld_database.h"
#include "handheld/handheld_folder.h"
#include "handheld/pdb_format.h"
#include "handheld/sync_library.h"

namespace corvane {
namespace {

using testing::CanonicalForm;
using testing::PalmPdbView;

void ExpectPalmPdbSees(const std::string& path, const PdbFile& expected) {
  const testing::CommandResult perl = PalmPdbView(path);
  ASSERT_EQ(perl.status, 0) << "Palm::PDB could not load " << path
                            << " (is libpalm-pdb-perl installed?)";
  EXPECT_EQ(perl.output, CanonicalForm(expected));
}

TEST(PdbInteropTest, SamplesReadTheSameAsPalmPdbReadsThem) {
  for (const std::string& name : testing::WellFormedSamples()) {
    SCOPED_TRACE(name);
    const std::string path = testing::SamplePath(name);
    ExpectPalmPdbSees(path, ReadPdbFile(path));
  }
}

TEST(PdbInteropTest, DatabasesWeWriteLoadInPalmPdb) {
  testing::TempDir dir;
  const std::string description = dir.File("in.txt");
  testing::WriteFileBytes(description,
                          "name CRVN_Corvane_Cache\ntype DATA\ncreator CRVN\nversion 2\n"
                          "appinfo text \"cats\" byte 7\n"
                          "record byte 1 text \"D-EABC\" text \"C172\"\n"
                          "record secret category 5 number -2 text \"\\xe9t\\xe9\"\n"
                          "record deleted text \"old\"\n");
  const std::string fresh = dir.File("fresh.pdb");
  const auto created = testing::RunCommand(std::string(CORVANE_BIN_DIR) + "/pdbtool create " +
                                           fresh + " " + description);
  ASSERT_EQ(created.status, 0) << created.output;
  {
    SCOPED_TRACE("fresh from pdbtool create");
    const PdbFile f = ReadPdbFile(fresh);
    ASSERT_EQ(f.records.size(), 3u);
    ExpectPalmPdbSees(fresh, f);
  }

  // Handheld folder write-back, on a sample and on the fresh file.
  const std::string handheld = dir.Sub("handheld");
  std::filesystem::copy_file(testing::SamplePath("pypalmdb-ToDoDB.pdb"), handheld + "/ToDoDB.pdb");
  std::filesystem::copy_file(fresh, handheld + "/CRVN_Corvane_Cache.pdb");
  HandheldFolder folder(handheld);
  {
    auto todo = folder.Open("ToDoDB");
    PDRecordAdapter adapter(todo);
    int32_t id = 0;
    adapter.AddRecord(id, 0, 0, testing::ToBytes(std::string("\x01\x02new\0", 6)));
    folder.Flush();
    SCOPED_TRACE("after AddRecord");
    ExpectPalmPdbSees(handheld + "/ToDoDB.pdb", todo->file());
    EXPECT_EQ(CanonicalForm(todo->file()), CanonicalForm(ReadPdbFile(handheld + "/ToDoDB.pdb")));
  }
  {
    auto cache = folder.Open("CRVN_Corvane_Cache");
    PDRecordAdapter adapter(cache);
    adapter.ClearRecords(0, 255);
    folder.Flush();
    SCOPED_TRACE("after ClearRecords");
    ASSERT_TRUE(cache->records().empty());
    ExpectPalmPdbSees(handheld + "/CRVN_Corvane_Cache.pdb", cache->file());
  }
}

}  // namespace
}  // namespace corvane
