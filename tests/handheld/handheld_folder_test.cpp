#include "handheld/handheld_folder.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <set>

#include "fixtures/pdb_test_support.h"
#include "fixtures/temp_dir.h"
#include "handheld/handheld_database.h"
#include "handheld/sync_library.h"
#include "support/atomic_file.h"
#include "support/conduit_error.h"

namespace corvane {
namespace {

using testing::ToBytes;

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Inode, modification time and content: what a rewrite would change.
std::string Identify(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0);
  return std::to_string(st.st_ino) + "/" + std::to_string(st.st_mtim.tv_sec) + "." +
         std::to_string(st.st_mtim.tv_nsec) + "/" + testing::ReadFileBytes(path);
}

class HandheldFolderTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteDatabase(testing::SmallDatabase()); }
  void WriteDatabase(const PdbFile& f) {
    const Bytes b = SerializePdb(f);
    testing::WriteFileBytes(db_path, std::string(b.begin(), b.end()));
  }

  testing::TempDir dir;
  std::string db_path = dir.path() + "/CRVN_Corvane_Test.pdb";
};

TEST_F(HandheldFolderTest, OpenAddReleaseCyclesStayInMemoryUntilFlush) {
  HandheldFolder folder(dir.path());
  const std::string before = Identify(db_path);
  constexpr int kCycles = 10000;
  for (int i = 0; i < kCycles; ++i) {
    PDRecordAdapter adapter(folder.Open("CRVN_Corvane_Test"));
    int32_t id = 0;
    adapter.AddRecord(id, 0, 0, ToBytes("part " + std::to_string(i)));
  }
  EXPECT_EQ(Identify(db_path), before);
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"CRVN_Corvane_Test.pdb"});

  folder.Flush();
  const PdbFile written = ReadPdbFile(db_path);
  ASSERT_EQ(written.records.size(), 3u + kCycles);
  EXPECT_EQ(written.records.back().data, ToBytes("part 9999"));
  std::set<uint32_t> ids;
  for (const PdbRecord& r : written.records) ids.insert(r.unique_id);
  EXPECT_EQ(ids.size(), written.records.size()) << "unique ids are unique";
  EXPECT_EQ(ids.count(0), 0u);

  // Nothing changed since: a second Flush leaves the file alone.
  const std::string flushed = Identify(db_path);
  folder.Flush();
  EXPECT_EQ(Identify(db_path), flushed);
}

TEST_F(HandheldFolderTest, CleanDatabaseIsReadAfreshDirtyOneIsKept) {
  HandheldFolder folder(dir.path());
  auto db = folder.Open("CRVN_Corvane_Test");
  ASSERT_EQ(db->records().size(), 3u);

  PdbFile changed = testing::SmallDatabase();
  changed.records.pop_back();
  WriteDatabase(changed);
  EXPECT_EQ(folder.Open("CRVN_Corvane_Test")->records().size(), 2u);
  EXPECT_EQ(db->records().size(), 2u) << "an adapter still holding it sees the file too";

  PDRecordAdapter(folder.Open("CRVN_Corvane_Test")).ClearRecords(0, 255);
  WriteDatabase(testing::SmallDatabase());
  EXPECT_TRUE(folder.Open("CRVN_Corvane_Test")->records().empty()) << "unsaved change kept";
}

TEST_F(HandheldFolderTest, FlushWritesWhatTheSerializerGivesAndRereadsIt) {
  PdbFile original = testing::SmallDatabase();
  original.sort_info = ToBytes("sort");
  WriteDatabase(original);
  HandheldFolder folder(dir.path());
  auto db = folder.Open("CRVN_Corvane_Test");
  // Pieces smaller than, equal to and larger than the writer's buffer, and
  // runs of small ones that straddle its end.
  std::mt19937 random(13);
  for (size_t size : {size_t{0}, size_t{1}, size_t{65535}, size_t{65536}, size_t{200000}}) {
    Bytes data(size);
    for (uint8_t& b : data) b = static_cast<uint8_t>(random());
    db->AddRecord(0, pdb::kRecordDirty, data);
  }
  for (int i = 0; i < 5000; ++i) db->AddRecord(0, 0, ToBytes("record " + std::to_string(i)));
  folder.Flush();
  const Bytes expected = SerializePdb(db->file());
  EXPECT_EQ(testing::ReadFileBytes(db_path), std::string(expected.begin(), expected.end()));
  EXPECT_EQ(db->file().header.modification_number, original.header.modification_number + 1);
  EXPECT_EQ(SerializePdb(ReadPdbFile(db_path)), expected);

  // A writer that fails halfway leaves the file as it was and no temporary.
  EXPECT_THROW(WriteFileAtomically(db_path,
                                   [&](ByteSink& out) {
                                     out.Write(expected);
                                     throw ConduitError(err::kBadArgument, "stop");
                                   }),
               ConduitError);
  EXPECT_EQ(testing::ReadFileBytes(db_path), std::string(expected.begin(), expected.end()));
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"CRVN_Corvane_Test.pdb"});
}

TEST_F(HandheldFolderTest, FailedWriteRaisesAndKeepsTheChangeAndThePermissions) {
  ASSERT_EQ(::chmod(db_path.c_str(), 0640), 0);
  HandheldFolder folder(dir.path());
  PDRecordAdapter(folder.Open("CRVN_Corvane_Test")).ClearRecords(0, 255);
  const std::string moved = dir.path() + "-moved";
  std::filesystem::rename(dir.path(), moved);
  try {
    folder.Flush();
    ADD_FAILURE() << "Flush reported success";
  } catch (const ConduitError& e) {
    EXPECT_EQ(e.number(), ENOENT);
  }
  std::filesystem::rename(moved, dir.path());
  folder.Flush();
  EXPECT_TRUE(ReadPdbFile(db_path).records.empty());
  struct stat st {};
  ASSERT_EQ(::stat(db_path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(HandheldFolderTest, StaleTemporariesAreRemovedOthersKept) {
  const std::vector<std::string> stale = {".CRVN_Corvane_Test.pdb.tmp-a1B2c3", ".x.pdb.tmp-zzzzzz",
                                          ".a.pdb.tmp-0Z9yX1"};
  const std::vector<std::string> kept = {"CRVN_Corvane_Test.pdb", "notes.tmp-abcdef", ".hidden.pdb",
                                         ".x.pdb.tmp-short",      "a.pdb.tmp-abcdef", ".tmp-abcdef",
                                         ".a.pdb.tmp-abcde"};
  for (const auto& name : stale) testing::WriteFileBytes(dir.path() + "/" + name, "half");
  for (size_t i = 1; i < kept.size(); ++i) testing::WriteFileBytes(dir.path() + "/" + kept[i], "");
  HandheldFolder folder(dir.path());
  auto expected = kept;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(FolderEntries(dir.path()), expected);
}

// A child writes two large contents in turn, over and over; it is killed at
// a random moment. The file must hold one of them, whole.
TEST_F(HandheldFolderTest, WriterKilledMidWriteLeavesOldOrNewFile) {
  PdbFile a = testing::SmallDatabase();
  PdbFile b = testing::SmallDatabase();
  for (int i = 0; i < 2000; ++i) {
    a.records.push_back({0, uint32_t(100 + i), Bytes(500, uint8_t('a'))});
    b.records.push_back({0, uint32_t(100 + i), Bytes(700, uint8_t('b'))});
  }
  const Bytes bytes_a = SerializePdb(a);
  const Bytes bytes_b = SerializePdb(b);
  WriteFileAtomically(db_path, bytes_a);

  std::mt19937 random(std::random_device{}());
  bool saw_temporary = false;
  for (int round = 0; round < 8; ++round) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0;; ++i) WriteFileAtomically(db_path, i % 2 ? bytes_a : bytes_b);
    }
    ::usleep(std::uniform_int_distribution<useconds_t>(2000, 60000)(random));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
        << "the writer failed on its own";

    const Bytes now = ToBytes(testing::ReadFileBytes(db_path));
    EXPECT_TRUE(now == bytes_a || now == bytes_b)
        << "torn file of " << now.size() << " bytes in round " << round;
    if (FolderEntries(dir.path()).size() > 1) saw_temporary = true;
    HandheldFolder next(dir.path());
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"CRVN_Corvane_Test.pdb"});
    EXPECT_NO_THROW(next.Open("CRVN_Corvane_Test"));
  }
  // Not asserted: whether a kill landed mid-write is up to the scheduler.
  if (!saw_temporary) std::cerr << "note: no kill landed inside a write this time\n";
}

TEST(AtomicFileTest, NewFileAndFailureLeaveNoTemporary) {
  testing::TempDir dir;
  const std::string path = dir.path() + "/new.pdb";
  WriteFileAtomically(path, Bytes{1, 2, 3});
  EXPECT_EQ(testing::ReadFileBytes(path), std::string("\x01\x02\x03", 3));
  // A folder where the file should be: the rename fails, the folder stays.
  const std::string blocked = dir.Sub("blocked.pdb");
  EXPECT_THROW(WriteFileAtomically(blocked, Bytes{1}), ConduitError);
  EXPECT_TRUE(std::filesystem::is_directory(blocked));
  EXPECT_EQ(FolderEntries(dir.path()), (std::vector<std::string>{"blocked.pdb", "new.pdb"}));
}

}  // namespace
}  // namespace corvane
