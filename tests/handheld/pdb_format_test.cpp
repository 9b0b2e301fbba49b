#include "handheld/pdb_format.h"

#include <gtest/gtest.h>

#include <functional>

#include "fixtures/caught_error.h"
#include "fixtures/pdb_test_support.h"
#include "fixtures/temp_dir.h"
#include "support/conduit_error.h"

namespace corvane {
namespace {

using testing::SamplePath;
using testing::SmallDatabase;
using testing::ToBytes;

TEST(PdbFormatTest, DatabasesWriteBackByteIdentical) {
  std::vector<std::pair<std::string, Bytes>> inputs;
  for (const std::string& name : testing::WellFormedSamples()) {
    inputs.emplace_back(name, ToBytes(testing::ReadFileBytes(SamplePath(name))));
  }
  // Odd but valid: an empty record, an empty sort-info block, no gap.
  PdbFile empties = SmallDatabase();
  empties.records[0].data.clear();
  empties.sort_info = Bytes{};
  empties.gap.clear();
  inputs.emplace_back("empties", SerializePdb(empties));
  for (const auto& [name, bytes] : inputs) {
    EXPECT_EQ(SerializePdb(ParsePdb(bytes, name)), bytes) << name;
  }
  const PdbFile back = ParsePdb(inputs.back().second, "x");
  EXPECT_TRUE(back.records[0].data.empty());
  ASSERT_TRUE(back.sort_info);
  EXPECT_TRUE(back.sort_info->empty());
  EXPECT_EQ(back.records[2].category(), 3);
}

// The small database cut to a size, or with a 32-bit value put at an offset: its
// header and record list end at 0x66, its app info starts at 0x68, its first record at 0x70.
TEST(PdbFormatTest, DamagedFilesAreRefusedNamingFileAndFault) {
  // clang-format off
  const std::tuple<size_t, size_t, uint32_t, const char*> cases[] = {  // size, offset, value, fault
      {0, 0, 0, "file of 0 bytes is shorter than the 78-byte database header"},
      {77, 0, 0, "file of 77 bytes is shorter than the 78-byte database header"},
      {90, 0, 0, "record list of 3 entries runs past the end of the file (90 bytes)"},
      {131, 32, 0x00090000, "resource database (attribute 0x0001), not a record database"},
      {131, 72, 1, "chained record list (next record list id 0x1) is not supported"},
      {131, 74, 0x1003, "record list of 4099 entries runs past the end of the file (131 bytes)"},
      {131, 78 + 16, 0x7FFFFFFF,
       "record 2 offset 0x7fffffff lies past the end of the file (131 bytes)"},
      {131, 78, 10,
       "record 0 offset 0xa lies inside the header or record list (which end at 0x66)"},
      {131, 78 + 8, 0x6F, "record 1 offset 0x6f is below record 0's offset 0x70"},
      {131, 52, 0x10000, "app-info block offset 0x10000 lies past the end of the file (131 bytes)"},
      {131, 52, 0x62,
       "app-info block offset 0x62 lies inside the header or record list (which end at 0x66)"},
      {131, 52, 0x71,
       "app-info block at 0x71 is out of place: it lies after the first record at 0x70"},
      {131, 56, 0x72,
       "sort-info block at 0x72 is out of place: it lies after the first record at 0x70"},
      {131, 56, 0x67,
       "app-info block at 0x68 is out of place: it does not come before the sort-info block "
       "at 0x67"},
      {131, 56, 4,
       "sort-info block offset 0x4 lies inside the header or record list (which end at 0x66)"}};
  // clang-format on
  for (const auto& [size, offset, value, fault] : cases) {
    Bytes b = SerializePdb(SmallDatabase());
    b.resize(size);
    for (int i = 0; offset && i < 4; ++i) b[offset + i] = uint8_t(value >> (24 - 8 * i));
    const std::string said = testing::ErrorOf([&] { ParsePdb(b, "/handheld/Damaged.pdb"); });
    EXPECT_EQ(said, std::string("-2147213295 - /handheld/Damaged.pdb: ") + fault);
  }
  EXPECT_EQ(testing::ErrorOf([] { ReadPdbFile(SamplePath("bogus1DB.pdb")); }),
            "-2147213295 - " + SamplePath("bogus1DB.pdb") +
                ": database name has no terminating zero within its 32 bytes");
}

TEST(PdbFormatTest, UnwritableDatabasesAndUnreadableNames) {
  PdbFile many = SmallDatabase();
  many.records.resize(pdb::kMaxRecords + 1);
  EXPECT_THROW(SerializePdb(many), ConduitError);
  many.records.resize(pdb::kMaxRecords);
  EXPECT_EQ(SerializePdb(many).size(), 78 + 8 * pdb::kMaxRecords + 2 + 8 + 19);
  many.header.type = "DAT";
  EXPECT_THROW(SerializePdb(many), ConduitError);
  PdbHeader h;
  EXPECT_THROW(h.SetName(std::string(32, 'n')), ConduitError);
  h.SetName(std::string(31, 'n'));
  EXPECT_EQ(h.Name(), std::string(31, 'n'));
  testing::TempDir dir;
  EXPECT_EQ(ReadPdbName(SamplePath("MemoDB.pdb")), "MemoDB");
  for (const std::string& path : {SamplePath("bogus1DB.pdb"), SamplePath("bogus2DB.pdb"),
                                  dir.File("missing.pdb"), dir.Sub("folder.pdb")}) {
    EXPECT_EQ(ReadPdbName(path), std::nullopt) << path;
  }
}

}  // namespace
}  // namespace corvane
