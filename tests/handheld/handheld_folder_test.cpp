// The handheld folder's databases, through the sync library: kept in memory
// until written back atomically, never torn by a killed writer.

#include "handheld/handheld_folder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "fixtures/caught_error.h"
#include "fixtures/child_process.h"
#include "fixtures/fake_window.h"
#include "fixtures/pdb_test_support.h"
#include "fixtures/temp_dir.h"
#include "handheld/handheld_database.h"
#include "handheld/hotsync_link.h"
#include "handheld/sync_library.h"
#include "support/atomic_file.h"
#include "support/byte_sink.h"

namespace corvane {
namespace {

using testing::ToBytes;

ino_t Inode(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

class HandheldFolderTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteFileAtomically(db_path, SerializePdb(testing::SmallDatabase())); }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
      names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  testing::TempDir dir;
  std::string db_path = dir.path() + "/CRVN_Corvane_Test.pdb";
  testing::FakeClock clock;
};

TEST_F(HandheldFolderTest, ChangesStayInMemoryUntilFlushWhichNeverLosesThem) {
  ASSERT_EQ(::chmod(db_path.c_str(), 0640), 0);
  HandheldFolder folder(dir.path());
  auto db = folder.Open("CRVN_Corvane_Test");
  PdbFile changed = testing::SmallDatabase();
  changed.records.pop_back();
  // A clean database is read afresh, for every holder; an unsaved change wins over the file.
  WriteFileAtomically(db_path, SerializePdb(changed));
  EXPECT_EQ(folder.Open("CRVN_Corvane_Test")->records().size(), 2u);
  EXPECT_EQ(db->records().size(), 2u);
  int32_t id = 0;
  PDRecordAdapter(folder.Open("CRVN_Corvane_Test")).AddRecord(id, 0, 0, ToBytes("part"));
  WriteFileAtomically(db_path, SerializePdb(testing::SmallDatabase()));
  EXPECT_EQ(folder.Open("CRVN_Corvane_Test")->records().size(), 3u);
  // A failed write raises and keeps the change for the next one, in a file of the same permissions.
  std::filesystem::rename(dir.path(), dir.path() + "-moved");
  EXPECT_EQ(testing::ErrorNumberOf([&] { folder.Flush(clock); }), ENOENT);
  std::filesystem::rename(dir.path() + "-moved", dir.path());
  folder.Flush(clock);
  EXPECT_EQ(ReadPdbFile(db_path).records.back().data, ToBytes("part"));
  struct stat st {};
  ::stat(db_path.c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  // Nothing changed since: a second Flush leaves the file alone.
  folder.Flush(clock);
  struct stat again {};
  ::stat(db_path.c_str(), &again);
  EXPECT_EQ(again.st_ino, st.st_ino);
  // A folder where the file should be: the rename fails, no temporary stays.
  EXPECT_THROW(WriteFileAtomically(dir.Sub("blocked.pdb"), Bytes{1}), ConduitError);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"CRVN_Corvane_Test.pdb", "blocked.pdb"}));
}

TEST_F(HandheldFolderTest, FlushWritesWhatTheSerializerGivesThroughTheBufferEdges) {
  HandheldFolder folder(dir.path());
  auto db = folder.Open("CRVN_Corvane_Test");
  std::mt19937 random(13);
  for (size_t size : {size_t{0}, size_t{1}, size_t{65535}, size_t{65536}, size_t{200000}}) {
    Bytes data(size);
    for (uint8_t& b : data) b = static_cast<uint8_t>(random());
    db->AddRecord(0, pdb::kRecordDirty, data);
  }
  for (int i = 0; i < 5000; ++i) db->AddRecord(0, 0, ToBytes("record " + std::to_string(i)));
  folder.Flush(clock);
  const Bytes expected = SerializePdb(db->file());
  EXPECT_EQ(ToBytes(testing::ReadFileBytes(db_path)), expected);
  EXPECT_EQ(db->file().header.modification_number,
            testing::SmallDatabase().header.modification_number + 1);
  EXPECT_EQ(db->file().header.modification_date, PalmTime(clock.unix_seconds));
  // A writer that fails halfway leaves the file as it was and no temporary.
  EXPECT_THROW(WriteFileAtomically(db_path,
                                   [&](ByteSink& out) {
                                     out.Write(expected);
                                     throw ConduitError(err::kBadArgument, "stop");
                                   }),
               ConduitError);
  EXPECT_EQ(ToBytes(testing::ReadFileBytes(db_path)), expected);
  EXPECT_EQ(Entries(), std::vector<std::string>{"CRVN_Corvane_Test.pdb"});
}

TEST_F(HandheldFolderTest, TemporariesOfAKilledWriterAreRemovedOthersKept) {
  for (const char* stale : {".CRVN_Corvane_Test.pdb.tmp-a1B2c3", ".a.tmp-0Z9yX1"}) {
    testing::WriteFileBytes(dir.path() + "/" + stale, "half");
  }
  std::vector<std::string> kept = {
      "CRVN_Corvane_Test.pdb", ".dir.pdb.tmp-abcdef", "notes.tmp-abcdef", ".x.pdb.tmp-short",
      "a.pdb.tmp-abcdef",      ".tmp-abcdef",         ".a.pdb.tmp-abcde", ".a.pdb-tmp-abcdef"};
  dir.Sub(kept[1]);
  for (size_t i = 2; i < kept.size(); ++i) testing::WriteFileBytes(dir.path() + "/" + kept[i], "");
  HandheldFolder folder(dir.path());
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(Entries(), kept);
}

// A child writes two large contents in turn, over and over; it is killed at
// a random moment. The file must hold one of them, whole.
TEST_F(HandheldFolderTest, WriterKilledMidWriteLeavesOldOrNewFile) {
  PdbFile a = testing::SmallDatabase(), b = testing::SmallDatabase();
  for (uint32_t i = 0; i < 2000; ++i) {
    a.records.push_back({0, 100 + i, Bytes(500, 'a')});
    b.records.push_back({0, 100 + i, Bytes(700, 'b')});
  }
  const Bytes bytes_a = SerializePdb(a), bytes_b = SerializePdb(b);
  WriteFileAtomically(db_path, bytes_a);
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  for (int round = 0; round < 8; ++round) {
    const ino_t before = Inode(db_path);
    testing::ForkedChild writer([&] {
      for (int i = 0;; ++i) WriteFileAtomically(db_path, i % 2 ? bytes_a : bytes_b);
    });
    // Once it writes, the moment of the kill is the dice's.
    ASSERT_TRUE(testing::WaitUntil([&] { return Inode(db_path) != before; }, 30));
    ::usleep(std::uniform_int_distribution<useconds_t>(0, 40000)(random));
    ASSERT_TRUE(WIFSIGNALED(writer.Kill())) << "the writer failed on its own";
    EXPECT_THAT(ToBytes(testing::ReadFileBytes(db_path)),
                ::testing::AnyOf(::testing::Eq(bytes_a), ::testing::Eq(bytes_b)))
        << "torn file in round " << round;
    HandheldFolder next(dir.path());
    EXPECT_EQ(Entries(), std::vector<std::string>{"CRVN_Corvane_Test.pdb"});
  }
}

using testing::ErrorNumberOf;

TEST(SyncLibraryTest, NumbersAndTextsWithinTheRecordOnly) {
  PDByteConverter c;
  Bytes data = ToBytes("ab");
  int16_t n = 0;
  std::string text;
  EXPECT_EQ(c.NumberToBytes(data, 0, false, 258), 2);  // the PC's byte order
  EXPECT_EQ(c.NumberFromBytes(data, 0, true, n), 2);
  EXPECT_EQ(n, 0x0201);
  EXPECT_EQ(c.NumberFromBytes(data, 0, false, n), 2);
  EXPECT_EQ(n, 0x0102);
  EXPECT_EQ(c.TextFromBytes(data, 0, 1, text), 1);  // up to the maximum length
  EXPECT_EQ(text, "\x02");
  for (int32_t offset : {-1, 1}) {
    EXPECT_EQ(ErrorNumberOf([&] { c.NumberToBytes(data, offset, true, 7); }), err::kBufferOverrun);
    EXPECT_EQ(ErrorNumberOf([&] { c.NumberFromBytes(data, offset, true, n); }),
              err::kBufferOverrun);
  }
  EXPECT_EQ(ErrorNumberOf([&] { c.TextFromBytes(data, 3, 1, text); }), err::kBadArgument);
  EXPECT_EQ(ErrorNumberOf([&] { c.TextFromBytes(data, 0, -1, text); }), err::kBadArgument);
}

class RecordAdapterTest : public ::testing::Test {
 protected:
  void Write(const std::string& file, PdbFile f) {
    const Bytes b = SerializePdb(f);
    testing::WriteFileBytes(dir.path() + "/" + file, std::string(b.begin(), b.end()));
  }
  PDRecordAdapter Open(const std::string& name, int32_t mode = kOpenReadWrite) {
    return PDDatabaseOpener(link).OpenDatabase(name, kRecordAdapterClass, mode);
  }
  testing::TempDir dir;
  HotSyncLink link{dir.path(), HotSyncLink::Source::kAlways};
};

TEST_F(RecordAdapterTest, ReadsSkipDeletedRecordsNewOnesTakeFreshIdsFromTheSeed) {
  PdbFile f = testing::SmallDatabase();  // live, deleted, live (secret), deleted at the end
  f.records.push_back({0x80, 0x11, ToBytes("tail")});
  f.header.unique_id_seed = 0xAB000010;  // ids are 24 bits; those in use are skipped
  Write("any-name.pdb", f);
  PDRecordAdapter a = Open("CRVN_Corvane_Test");
  EXPECT_EQ(a.RecordTotal(), 2);
  a.SetReadPosition(1);
  EXPECT_EQ(a.ReadNextRecord(), ToBytes(std::string("\x01secret\0", 8)));
  EXPECT_FALSE(a.AtEnd());
  EXPECT_TRUE(a.ReadNextRecord().empty());
  EXPECT_TRUE(a.AtEnd());
  EXPECT_EQ(ErrorNumberOf([&] { a.SetReadPosition(-1); }), err::kBadArgument);
  std::vector<int32_t> ids(3);
  for (int32_t& id : ids) a.AddRecord(id, 0, 0, ToBytes("r"));
  EXPECT_EQ(ids, (std::vector<int32_t>{0x10, 0x12, 0x13}));
  EXPECT_EQ(a.RecordTotal(), 5);
  auto db = link.Folder().Open("CRVN_Corvane_Test");
  EXPECT_EQ(db->records().back().attributes, pdb::kRecordDirty);  // category 0
  EXPECT_EQ(db->file().header.unique_id_seed, 0xAB000014u);
  for (int32_t taken_or_too_large : {0x12, 0x1000000, -1}) {
    int32_t id = taken_or_too_large;
    EXPECT_EQ(ErrorNumberOf([&] { a.AddRecord(id, 0, 0, {}); }), err::kBadArgument);
  }
  f.records = {{0x80, 1, {}}};  // the seed at the top wraps, never to id 0
  f.header.unique_id_seed = 0xFFFFFF;
  f.header.SetName("Top");
  Write("top.pdb", f);
  ids.assign(2, 0);
  for (int32_t& id : ids) Open("Top").AddRecord(id, 0, 0, {});
  EXPECT_EQ(ids, (std::vector<int32_t>{0xFFFFFF, 2}));
}

TEST_F(RecordAdapterTest, EveryOperationRaisesOnceTheLauncherIsGone) {
  Write("CRVN_Corvane_Test.pdb", testing::SmallDatabase());
  auto [alive, launcher] = sys::Pipe();
  HotSyncLink watched(dir.path(), HotSyncLink::Source::kAlways, std::move(alive));
  auto open = [&] {
    return PDDatabaseOpener(watched).OpenDatabase("CRVN_Corvane_Test", kRecordAdapterClass,
                                                  kOpenReadWrite);
  };
  // From the environment without the launcher's pipe there is no proof that
  // it lives: over from the start.
  EXPECT_EQ(testing::InChild([&] {
              ::setenv(kHotSyncFolderEnv, dir.path().c_str(), 1);
              ::setenv(kHotSyncLauncherEnv, std::to_string(::getppid()).c_str(), 1);
              ::unsetenv(kHotSyncAliveFdEnv);
              return HotSyncLink::FromEnvironment()->IsSyncInProgress() ? "in progress" : "over";
            }),
            "over");
  PDRecordAdapter db = open();
  db.ClearRecords(0, 255);  // a change still to be written back
  EXPECT_TRUE(watched.IsSyncInProgress());
  const std::string before = testing::ReadFileBytes(dir.path() + "/CRVN_Corvane_Test.pdb");
  launcher.Reset();
  EXPECT_FALSE(watched.IsSyncInProgress());
  int32_t id = 0;
  const std::function<void()> operations[] = {[&] { open(); },
                                              [&] { db.ReadNextRecord(); },
                                              [&] { db.RecordTotal(); },
                                              [&] { db.AtEnd(); },
                                              [&] { db.AddRecord(id, 0, 0, {}); },
                                              [&] { db.SetReadPosition(0); },
                                              [&] { watched.Flush(testing::FakeClock()); },
                                              [&] { db.ClearRecords(0, 255); }};
  for (const auto& operation : operations) EXPECT_EQ(ErrorNumberOf(operation), err::kHotSyncEnded);
  EXPECT_EQ(testing::ReadFileBytes(dir.path() + "/CRVN_Corvane_Test.pdb"), before);
}

TEST_F(RecordAdapterTest, OpenByHeaderNameWithItsArguments) {
  PdbFile renamed = testing::SmallDatabase();
  renamed.header.SetName("Other");
  Write("CRVN_Corvane_Pref.pdb", renamed);  // named like the database but holding another one
  // Named like a database in another letter case, too short to say which it holds.
  const std::string broken = dir.path() + "/bROKEN.PDB";
  testing::WriteFileBytes(broken, std::string("Broken") + std::string(29, '\0'));
  EXPECT_EQ(testing::ErrorOf([&] { Open("CRVN_Corvane_Pref"); }),
            "-2147213296 - Record, database or folder not found: CRVN_Corvane_Pref");
  EXPECT_EQ(
      testing::ErrorOf([&] { Open("Broken"); }),
      "-2147213295 - " + broken + ": file of 35 bytes is shorter than the 78-byte database header");
  EXPECT_EQ(ErrorNumberOf([&] { PDDatabaseOpener(link).OpenDatabase("Other", "PDDirect", 192); }),
            err::kBadArgument);
  EXPECT_EQ(ErrorNumberOf([&] { Open("Other", 0x3F); }), err::kBadArgument);
  PDRecordAdapter read_only = Open("Other", 0x80);
  int32_t id = 0;
  EXPECT_EQ(ErrorNumberOf([&] { read_only.AddRecord(id, 0, 0, {}); }), err::kReadOnlyDatabase);
  EXPECT_EQ(ErrorNumberOf([&] { read_only.ClearRecords(0, 255); }), err::kReadOnlyDatabase);
  Open("Other", 0x40).AddRecord(id, 0, 0, {});
  EXPECT_EQ(read_only.RecordTotal(), 3);
}

}  // namespace
}  // namespace corvane
