#include "handheld/sync_library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "fixtures/caught_error.h"
#include "fixtures/pdb_test_support.h"
#include "fixtures/temp_dir.h"
#include "handheld/handheld_database.h"
#include "handheld/handheld_folder.h"
#include "handheld/hotsync_link.h"
#include "support/conduit_error.h"

namespace corvane {
namespace {

using testing::ErrorNumberOf;
using testing::ErrorOf;

using testing::ToBytes;

using namespace std::string_literals;

// ---- PDByteConverter ----

TEST(ByteConverterTest, NumbersInBothByteOrders) {
  struct Case {
    bool big_endian;
    int16_t value;
    uint8_t first, second;
  };
  const Case cases[] = {{true, 0x1234, 0x12, 0x34}, {false, 0x1234, 0x34, 0x12},
                        {true, -1, 0xFF, 0xFF},     {true, -32768, 0x80, 0x00},
                        {false, 258, 0x02, 0x01},   {true, 0, 0, 0}};
  PDByteConverter c;
  for (const Case& k : cases) {
    SCOPED_TRACE(k.value);
    Bytes data(5, 0xAA);
    EXPECT_EQ(c.NumberToBytes(data, 3, k.big_endian, k.value), 5);
    EXPECT_EQ(data, (Bytes{0xAA, 0xAA, 0xAA, k.first, k.second}));
    int16_t back = 0;
    EXPECT_EQ(c.NumberFromBytes(data, 3, k.big_endian, back), 5);
    EXPECT_EQ(back, k.value);
  }
}

TEST(ByteConverterTest, NumbersOutsideTheDataAreErrors) {
  PDByteConverter c;
  Bytes data(4, 0);
  int16_t v = 0;
  for (int32_t offset : {-1, 3, 4, 5, 1 << 30}) {
    SCOPED_TRACE(offset);
    EXPECT_EQ(ErrorNumberOf([&] { c.NumberToBytes(data, offset, true, 7); }), err::kBufferOverrun);
    EXPECT_EQ(ErrorNumberOf([&] { c.NumberFromBytes(data, offset, true, v); }),
              err::kBufferOverrun);
  }
  EXPECT_EQ(data, Bytes(4, 0));
}

TEST(ByteConverterTest, TextStoresBytesThenZeroOrRefusesWithoutWriting) {
  struct Case {
    size_t size;
    int32_t offset;
    std::string text;
    int32_t next;  // 0: refused
  };
  const Case cases[] = {
      {10, 0, "abc", 4}, {10, 6, "abc", 10},     // exact fit, zero in the last byte
      {10, 7, "abc", 0}, {10, 10, "", 0},        // no room for the zero
      {10, 9, "", 10},   {10, -1, "a", 0},       // negative offset
      {10, 11, "", 0},   {3, 0, "\xe9\xff", 3},  // single-byte text kept as bytes
      {0, 0, "", 0},
  };
  PDByteConverter c;
  for (const Case& k : cases) {
    SCOPED_TRACE(std::to_string(k.size) + "/" + std::to_string(k.offset) + "/" + k.text);
    Bytes data(k.size, 0x55), expected = data;
    if (k.next == 0) {
      EXPECT_EQ(ErrorNumberOf([&] { c.TextToBytes(data, k.offset, k.text); }), err::kBufferOverrun);
    } else {
      EXPECT_EQ(c.TextToBytes(data, k.offset, k.text), k.next);
      std::copy(k.text.begin(), k.text.end(), expected.begin() + k.offset);
      expected[k.next - 1] = 0;
    }
    EXPECT_EQ(data, expected);
  }
}

TEST(ByteConverterTest, TextFromBytesStopsAtZeroLimitOrEnd) {
  struct Case {
    std::string data;
    int32_t offset, max_length;
    std::string text;
    int32_t next;
  };
  const Case cases[] = {
      {std::string("ab\0cd\0", 6), 0, 32767, "ab", 3},
      {std::string("ab\0cd\0", 6), 3, 32767, "cd", 6},
      {std::string("ab\0cd\0", 6), 2, 32767, "", 3},
      {"abcd", 0, 32767, "abcd", 4},            // no zero: stops at the end of the data
      {"abcd", 1, 2, "bc", 3},                  // stops at the maximum length
      {std::string("ab\0", 3), 0, 2, "ab", 3},  // the zero right after is passed over
      {"abcd", 4, 32767, "", 4},                // offset at the end
      {"", 0, 32767, "", 0},
      {"abcd", 0, 0, "", 0},
  };
  PDByteConverter c;
  for (const Case& k : cases) {
    SCOPED_TRACE(k.data + "@" + std::to_string(k.offset));
    std::string text = "stale";
    EXPECT_EQ(c.TextFromBytes(ToBytes(k.data), k.offset, k.max_length, text), k.next);
    EXPECT_EQ(text, k.text);
  }
  std::string text;
  for (int32_t offset : {-1, 5, 1 << 30}) {
    EXPECT_EQ(ErrorNumberOf([&] { c.TextFromBytes(ToBytes("abcd"), offset, 10, text); }),
              err::kBadArgument)
        << offset;
  }
  EXPECT_EQ(ErrorNumberOf([&] { c.TextFromBytes(ToBytes("abcd"), 0, -1, text); }),
            err::kBadArgument);
}

// ---- PDRecordAdapter and PDDatabaseOpener over a handheld folder ----

class RecordAdapterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PdbFile f = testing::SmallDatabase();
    // live, deleted, live (secret), deleted at the end
    f.records.push_back({0x80, 0x09, ToBytes("tail")});
    Write("CRVN_Corvane_Test.pdb", f);
  }
  void Write(const std::string& file, const PdbFile& f) {
    const Bytes b = SerializePdb(f);
    testing::WriteFileBytes(dir.path() + "/" + file, std::string(b.begin(), b.end()));
  }
  PDRecordAdapter Open(const std::string& name) {
    return PDDatabaseOpener(link).OpenDatabase(name, kRecordAdapterClass, kOpenReadWrite);
  }
  std::string Path() const { return dir.path() + "/CRVN_Corvane_Test.pdb"; }

  testing::TempDir dir;
  HotSyncLink link{dir.path(), HotSyncLink::Source::kAlways};
};

TEST_F(RecordAdapterTest, ReadsSkipDeletedRecordsAndEndWithoutError) {
  const Bytes first = ToBytes(std::string("first\0", 6)), secret = ToBytes("\x01secret\0"s);
  PDRecordAdapter a = Open("CRVN_Corvane_Test");
  EXPECT_EQ(a.RecordTotal(), 2);
  for (const Bytes& expected : {first, secret}) {
    EXPECT_FALSE(a.AtEnd());
    EXPECT_EQ(a.ReadNextRecord(), expected);
  }
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(a.ReadNextRecord().empty());
    EXPECT_TRUE(a.AtEnd());
  }
  a.SetReadPosition(0);
  EXPECT_FALSE(a.AtEnd());
  EXPECT_EQ(a.ReadNextRecord(), first);
  a.SetReadPosition(1);
  EXPECT_EQ(a.ReadNextRecord(), secret);
  EXPECT_EQ(ErrorNumberOf([&] { a.SetReadPosition(-1); }), err::kBadArgument);
}

TEST_F(RecordAdapterTest, AddRecordGivesFreshIdCategoryZeroAndDirty) {
  struct Case {
    const char* name;
    uint32_t seed;
    std::vector<uint32_t> taken;  // ids of a tombstone and a live record
    std::vector<int32_t> ids;
    uint32_t next_seed;
    int total;
  } cases[] = {
      {"Seeded", 0xAB000041, {0x42, 0x44}, {0x41, 0x43, 0x45}, 0xAB000046, 4},  // low 24 bits
      {"Zero", 0x1000000, {}, {1, 2, 3}, 0x1000004, 3},                         // never id 0
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PdbFile f;
    f.header.SetName(c.name);
    f.header.type = "DATA";
    f.header.creator = "CRVN";
    f.header.unique_id_seed = c.seed;
    for (size_t i = 0; i < c.taken.size(); ++i) {
      f.records.push_back({uint8_t(i == 0 ? 0x80 : 0), c.taken[i], ToBytes("x")});
    }
    Write(std::string(c.name) + ".pdb", f);
    PDRecordAdapter a = Open(c.name);
    std::vector<int32_t> ids;
    for (int i = 0; i < 3; ++i) {
      int32_t id = 0;
      a.AddRecord(id, 0, 0, ToBytes("r" + std::to_string(i)));
      ids.push_back(id);
    }
    EXPECT_EQ(ids, c.ids);
    EXPECT_EQ(a.RecordTotal(), c.total);
    auto db = link.Folder().Open(c.name);
    ASSERT_EQ(db->records().size(), c.taken.size() + 3);
    for (size_t i = c.taken.size(); i < db->records().size(); ++i) {
      EXPECT_EQ(db->records()[i].attributes, pdb::kRecordDirty);  // category 0 too
    }
    EXPECT_EQ(db->file().header.unique_id_seed, c.next_seed);
  }
}

TEST_F(RecordAdapterTest, WriteKeepsTheRestAndAdvancesModification) {
  const PdbFile before = ReadPdbFile(Path());
  {
    PDRecordAdapter a = Open("CRVN_Corvane_Test");
    int32_t id = 0;
    a.AddRecord(id, 0, 0, ToBytes("more"));
  }
  link.Flush();
  const PdbFile after = ReadPdbFile(Path());
  EXPECT_GT(after.header.modification_date, before.header.modification_date);
  ASSERT_EQ(after.records.size(), before.records.size() + 1);
  EXPECT_EQ(after.records.back().data, ToBytes("more"));
  PdbFile expected = before;
  expected.header.modification_number++;
  expected.header.modification_date = after.header.modification_date;
  expected.header.unique_id_seed = after.header.unique_id_seed;
  expected.records.push_back(after.records.back());
  EXPECT_EQ(SerializePdb(after), SerializePdb(expected));

  // Clearing removes the tombstones too.
  {
    PDRecordAdapter a = Open("CRVN_Corvane_Test");
    a.ClearRecords(0, 255);
    EXPECT_EQ(a.RecordTotal(), 0);
    int32_t id = 0;
    a.AddRecord(id, 0, 0, ToBytes("only"));
  }
  link.Flush();
  const PdbFile cleared = ReadPdbFile(Path());
  ASSERT_EQ(cleared.records.size(), 1u);
  EXPECT_EQ(cleared.records[0].data, ToBytes("only"));
}

TEST_F(RecordAdapterTest, LookupByHeaderNameAndDamagedDatabases) {
  PdbFile renamed = testing::SmallDatabase();
  renamed.header.SetName("CRVN_Corvane_Schema");
  Write("schema-backup.PDB", renamed);
  // A file named like the database but holding another one is not it.
  PdbFile other = testing::SmallDatabase();
  other.header.SetName("Other");
  Write("CRVN_Corvane_Pref.pdb", other);
  testing::WriteFileBytes(dir.path() + "/aaa-damaged.pdb", "short");
  testing::WriteFileBytes(dir.path() + "/Broken.pdb", "Broken\0"s + std::string(100, '\xff'));

  EXPECT_EQ(Open("CRVN_Corvane_Schema").RecordTotal(), 2);
  EXPECT_EQ(Open("Other").RecordTotal(), 2);
  EXPECT_EQ(ErrorOf([&] { Open("CRVN_Corvane_Pref"); }),
            "-2147213296 - Record, database or folder not found: CRVN_Corvane_Pref");
  const std::string broken = ErrorOf([&] { Open("Broken"); });
  EXPECT_EQ(broken.rfind(std::to_string(err::kDamagedDatabase) + " - ", 0), 0u) << broken;
  EXPECT_NE(broken.find("Broken.pdb: "), std::string::npos) << broken;
}

TEST_F(RecordAdapterTest, OpenArguments) {
  PDDatabaseOpener opener(link);
  EXPECT_EQ(ErrorNumberOf([&] { opener.OpenDatabase("CRVN_Corvane_Test", "Other.Adapter", 192); }),
            err::kBadArgument);
  EXPECT_EQ(
      ErrorNumberOf([&] { opener.OpenDatabase("CRVN_Corvane_Test", kRecordAdapterClass, 0); }),
      err::kBadArgument);
  PDRecordAdapter read_only = opener.OpenDatabase("CRVN_Corvane_Test", kRecordAdapterClass, 0x80);
  int32_t id = 0;
  EXPECT_EQ(ErrorNumberOf([&] { read_only.AddRecord(id, 0, 0, ToBytes("x")); }),
            err::kReadOnlyDatabase);
  EXPECT_EQ(ErrorNumberOf([&] { read_only.ClearRecords(0, 255); }), err::kReadOnlyDatabase);
  EXPECT_EQ(read_only.RecordTotal(), 2);
}

}  // namespace
}  // namespace corvane
