#include "handheld/pdb_format.h"

#include <gtest/gtest.h>

#include <functional>

#include "fixtures/pdb_test_support.h"
#include "fixtures/temp_dir.h"
#include "support/conduit_error.h"

namespace corvane {
namespace {

using testing::SamplePath;
using testing::SmallDatabase;
using testing::ToBytes;

void Put32(Bytes& b, size_t at, uint32_t v) {
  b[at] = uint8_t(v >> 24);
  b[at + 1] = uint8_t(v >> 16);
  b[at + 2] = uint8_t(v >> 8);
  b[at + 3] = uint8_t(v);
}
uint32_t Get32(const Bytes& b, size_t at) {
  return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

TEST(PdbFormatTest, EveryWellFormedSampleWritesBackByteIdentical) {
  const auto samples = testing::WellFormedSamples();
  ASSERT_GE(samples.size(), 7u);
  for (const std::string& name : samples) {
    SCOPED_TRACE(name);
    const Bytes original = ToBytes(testing::ReadFileBytes(SamplePath(name)));
    const PdbFile file = ParsePdb(original, name);
    EXPECT_EQ(SerializePdb(file), original);
  }
}

TEST(PdbFormatTest, LayoutOfAWrittenDatabase) {
  const PdbFile f = SmallDatabase();
  const Bytes b = SerializePdb(f);
  const size_t list_end = pdb::kHeaderSize + 3 * pdb::kEntrySize;
  EXPECT_EQ(b.size(), list_end + 2 + 8 + 6 + 5 + 8);
  EXPECT_EQ(Get32(b, 52), list_end + 2) << "app info follows the 2-byte gap";
  EXPECT_EQ(Get32(b, 56), 0u) << "no sort info";
  EXPECT_EQ(Get32(b, 72), 0u) << "no next record list";
  EXPECT_EQ(b[76] << 8 | b[77], 3);
  EXPECT_EQ(Get32(b, 78), list_end + 2 + 8) << "first record after the app info";
  EXPECT_EQ(b[78 + 8 + 4], 0x88) << "second record's attributes";
  EXPECT_EQ(b[78 + 8 + 7], 0x02) << "second record's id, low byte";
  EXPECT_EQ(b[list_end], 0);
  EXPECT_EQ(b[list_end + 1], 0);
  const PdbFile back = ParsePdb(b, "small");
  EXPECT_EQ(back.header.Name(), "CRVN_Corvane_Test");
  ASSERT_EQ(back.records.size(), 3u);
  EXPECT_EQ(back.records[2].data, f.records[2].data);
  EXPECT_EQ(back.records[2].category(), 3);
  EXPECT_EQ(SerializePdb(back), b);
}

TEST(PdbFormatTest, OddButValidFilesRoundTrip) {
  PdbFile empties = SmallDatabase();
  empties.records[0].data.clear();
  empties.sort_info = Bytes{};
  empties.gap.clear();
  Bytes name_tail = SerializePdb(SmallDatabase());
  std::fill(name_tail.begin() + 20, name_tail.begin() + 31, 'U');  // bytes after the name's zero
  for (const Bytes& b : {SerializePdb(empties), name_tail}) {
    const PdbFile back = ParsePdb(b, "x");
    EXPECT_EQ(back.header.Name(), "CRVN_Corvane_Test");
    EXPECT_EQ(SerializePdb(back), b);
  }
  const PdbFile back = ParsePdb(SerializePdb(empties), "x");
  EXPECT_TRUE(back.records[0].data.empty());
  ASSERT_TRUE(back.sort_info.has_value());
  EXPECT_TRUE(back.sort_info->empty());
}

// The description of the error that reading raises, or "accepted".
std::string RefusalOf(const std::function<void()>& read) {
  try {
    read();
  } catch (const ConduitError& e) {
    EXPECT_EQ(e.number(), err::kDamagedDatabase);
    return e.description();
  }
  return "accepted";
}

struct DamagedCase {
  const char* label;
  std::function<void(Bytes&)> damage;
  const char* fault;  // part of the expected description
};

TEST(PdbFormatTest, DamagedFilesAreRefusedNamingFileAndFault) {
  const Bytes good = SerializePdb(SmallDatabase());
  const size_t list_end = pdb::kHeaderSize + 3 * pdb::kEntrySize;
  const std::vector<DamagedCase> cases = {
      {"empty", [](Bytes& b) { b.clear(); }, "shorter than the 78-byte database header"},
      {"header cut", [](Bytes& b) { b.resize(77); }, "shorter than the 78-byte"},
      {"name without zero", [](Bytes& b) { std::fill(b.begin(), b.begin() + 32, 'A'); },
       "no terminating zero"},
      {"resource database", [](Bytes& b) { b[33] |= 0x01; }, "resource database"},
      {"chained record list", [](Bytes& b) { b[75] = 1; }, "next record list id"},
      {"record list past end", [](Bytes& b) { b[76] = 0x10; }, "runs past the end of the file"},
      {"record list cut", [](Bytes& b) { b.resize(78 + 12); }, "runs past the end"},
      {"record offset past end", [](Bytes& b) { Put32(b, 78 + 16, 0x7FFFFFFF); },
       "record 2 offset 0x7fffffff lies past the end"},
      {"record offset in header", [](Bytes& b) { Put32(b, 78, 10); },
       "record 0 offset 0xa lies inside the header or record list"},
      {"decreasing offsets", [&](Bytes& b) { Put32(b, 78 + 8, Get32(b, 78) - 1); },
       "record 1 offset"},
      {"app info past end", [](Bytes& b) { Put32(b, 52, 0x10000); }, "app-info block offset"},
      {"app info in record list", [&](Bytes& b) { Put32(b, 52, list_end - 4); },
       "inside the header or record list"},
      {"app info after first record", [&](Bytes& b) { Put32(b, 52, Get32(b, 78) + 1); },
       "app-info block at"},
      {"sort info after first record", [&](Bytes& b) { Put32(b, 56, Get32(b, 78) + 2); },
       "sort-info block at"},
      {"app info after sort info", [&](Bytes& b) { Put32(b, 56, Get32(b, 52) - 1); },
       "does not come before the sort-info block"},
      {"sort info in header", [](Bytes& b) { Put32(b, 56, 4); }, "sort-info block offset 0x4"},
  };
  for (const DamagedCase& c : cases) {
    SCOPED_TRACE(c.label);
    Bytes b = good;
    c.damage(b);
    const std::string said = RefusalOf([&] { ParsePdb(b, "/handheld/Damaged.pdb"); });
    EXPECT_EQ(said.rfind("/handheld/Damaged.pdb: ", 0), 0u) << said;
    EXPECT_NE(said.find(c.fault), std::string::npos) << said;
  }
}

TEST(PdbFormatTest, BogusSamplesAreRefused) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"bogus1DB.pdb", "no terminating zero"},
      {"bogus2DB.pdb", "shorter than the 78-byte database header"},
  };
  for (const auto& [name, fault] : cases) {
    const std::string said = RefusalOf([&] { ReadPdbFile(SamplePath(name)); });
    EXPECT_NE(said.find(SamplePath(name) + ": "), std::string::npos) << said;
    EXPECT_NE(said.find(fault), std::string::npos) << said;
  }
}

TEST(PdbFormatTest, SerializerRefusesWhatAFileCannotHold) {
  PdbFile f = SmallDatabase();
  f.header.type = "DAT";
  EXPECT_THROW(SerializePdb(f), ConduitError);
  PdbFile many = SmallDatabase();
  many.records.resize(pdb::kMaxRecords + 1);
  EXPECT_THROW(SerializePdb(many), ConduitError);
  PdbHeader h;
  EXPECT_THROW(h.SetName(std::string(32, 'n')), ConduitError);
  h.SetName(std::string(31, 'n'));
  EXPECT_EQ(h.Name(), std::string(31, 'n'));
}

TEST(PdbFormatTest, HeaderNameOfUnreadableFilesIsNothing) {
  testing::TempDir dir;
  const Bytes good = SerializePdb(SmallDatabase());
  testing::WriteFileBytes(dir.File("good.pdb"), std::string(good.begin(), good.end()));
  EXPECT_EQ(ReadPdbName(dir.File("good.pdb")), "CRVN_Corvane_Test");
  EXPECT_EQ(ReadPdbName(SamplePath("bogus1DB.pdb")), std::nullopt);
  EXPECT_EQ(ReadPdbName(SamplePath("bogus2DB.pdb")), std::nullopt);
  EXPECT_EQ(ReadPdbName(dir.File("missing.pdb")), std::nullopt);
  EXPECT_EQ(ReadPdbName(dir.Sub("folder.pdb")), std::nullopt);
}

}  // namespace
}  // namespace corvane
