// corvane-handheld, the simulated handheld: its DLP side driven by the
// desktop's own DLP client in process, as real handhelds behave; the
// requests that must count as faults; every request of the recorded
// sessions; and the session's planned drops and silences. The executable
// serving hotsync over every link is tested end to end (tests/e2e).

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <optional>

#include "fixtures/caught_error.h"
#include "fixtures/fake_window.h"
#include "fixtures/live_handheld.h"
#include "fixtures/session_recording.h"
#include "fixtures/temp_dir.h"
#include "handheld_sim/session_runner.h"
#include "handheld_sim/sim_options.h"
#include "handheld_sim/simulated_handheld.h"
#include "link/dlp_client.h"
#include "link/netsync.h"

namespace corvane::handheld_sim {
namespace {

namespace fs = std::filesystem;
using link::DlpClient;
using link::OpenMode;
using testing::ErrorNumberOf;
using testing::Unhex;

// A database of records "a", "b" ... with ids 1, 2 ... and the given seed.
PdbFile Database(const std::string& name, size_t records = 0, uint32_t seed = 100) {
  PdbFile file;
  file.header.SetName(name);
  file.header.type = "DATA";
  file.header.creator = "CRVN";
  file.header.modification_number = 7;
  file.header.unique_id_seed = seed;
  for (size_t i = 0; i < records; ++i) {
    file.records.push_back({0, uint32_t(i + 1), Bytes{uint8_t('a' + i)}});
  }
  return file;
}

std::string Text(const Bytes& data) {
  return std::string(data.begin(), data.end());
}

class HandheldSimTest : public ::testing::Test {
 protected:
  void Start(const std::vector<PdbFile>& files, HandheldUser user = {}) {
    for (const PdbFile& f : files) {
      const Bytes bytes = SerializePdb(f);
      testing::WriteFileBytes(folder + "/" + f.header.Name() + ".pdb", Text(bytes));
    }
    transport.emplace(folder, 0, user);
    handheld = &transport->sim();
    dlp.emplace(*transport);
  }
  // The DLP error of the answer to a raw request.
  uint16_t ErrorOf(const std::string& hex) {
    return link::DecodeDlpResponse(handheld->Answer(Unhex(hex))).error;
  }

  testing::TempDir temp;
  std::string folder = temp.Sub("handheld");
  testing::FakeClock clock;
  std::optional<testing::InProcessHandheld> transport;
  SimulatedHandheld* handheld = nullptr;
  std::optional<DlpClient> dlp;
};

TEST_F(HandheldSimTest, HandlesCountUpAndAreNeverGivenTwice) {
  Start({Database("A"), Database("B")});
  EXPECT_EQ(dlp->OpenDB("A", OpenMode::kRead), 1);
  EXPECT_EQ(dlp->OpenDB("B", OpenMode::kRead), 2);
  dlp->CloseDB(1);
  EXPECT_EQ(dlp->OpenDB("A", OpenMode::kReadWrite), 3);
  EXPECT_EQ(handheld->faults(), 0u);
  // The closed handle names nothing, even with its database open again.
  EXPECT_EQ(ErrorNumberOf([&] { dlp->ReadOpenDBInfo(1); }), err::kHandheldRefused);
  EXPECT_EQ(handheld->faults(), 1u);
}

TEST_F(HandheldSimTest, RecordsAreWrittenAsTheDesktopSendsThem) {
  // The seed points at a record of the database: new ids pass it.
  Start({Database("Log", 3, 3)});
  const uint8_t db = dlp->OpenDB("Log", OpenMode::kReadWrite);
  EXPECT_EQ(dlp->WriteRecord(db, {0, 0, 0, 2, {'n'}}), 4u);
  EXPECT_EQ(dlp->WriteRecord(db, {0, 0, 0, 0, {'m'}}), 5u);
  EXPECT_EQ(dlp->WriteRecord(db, {1, 0, 0x10, 1, {'A'}}), 1u);
  EXPECT_EQ(dlp->WriteRecord(db, {0x123456, 0, 0x40, 0, {'x'}}), 0x123456u);
  // The replaced record went to the end, before the one written after it.
  EXPECT_EQ(dlp->ReadRecordIDList(db, 0, 100), (std::vector<uint32_t>{2, 3, 4, 5, 1, 0x123456}));
  const struct {
    uint32_t id;
    uint8_t attributes;  // nothing marked dirty but what the desktop marked
    uint8_t category;
    const char* data;
  } expected[] = {{4, 0, 2, "n"}, {1, 0x10, 1, "A"}, {0x123456, 0x40, 0, "x"}};
  for (const auto& e : expected) {
    const link::DlpRecord r = dlp->ReadRecordById(db, e.id);
    EXPECT_EQ(r.attributes, e.attributes) << e.id;
    EXPECT_EQ(r.category, e.category) << e.id;
    EXPECT_EQ(Text(r.data), e.data) << e.id;
  }
  EXPECT_EQ(handheld->faults(), 0u);
}

TEST_F(HandheldSimTest, OpeningForWritingMarksTheDatabaseModified) {
  Start({Database("Log")});
  const uint8_t reading = dlp->OpenDB("Log", OpenMode::kReadSecret);
  EXPECT_EQ(dlp->FindDBByHandle(reading).info.modification_number, 7u);
  dlp->CloseDB(reading);
  const link::FoundDb found = dlp->FindDBByHandle(dlp->OpenDB("Log", OpenMode::kReadWrite));
  EXPECT_EQ(found.info.modification_number, 8u);
  EXPECT_EQ(found.info.modified, (link::DlpTime{2009, 1, 15, 9, 5, 3}));
}

TEST_F(HandheldSimTest, DeletedRecordsAreReadAndDeleteAllEmptiesInOneCall) {
  PdbFile log = Database("Log", 3);
  log.records[1].attributes = pdb::kRecordDeleted;
  Start({log});
  const uint8_t db = dlp->OpenDB("Log", OpenMode::kReadWrite);
  EXPECT_EQ(dlp->ReadOpenDBInfo(db), 3);
  EXPECT_EQ(dlp->ReadRecordByIndex(db, 1).attributes, pdb::kRecordDeleted);
  // Cleaning up takes the deleted record; resetting the sync flags, dirty marks.
  dlp->WriteRecord(db, {0, 0, 0x40, 0, {'d'}});
  EXPECT_EQ(ErrorOf("26 01 20 01 01"), 0);  // CleanUpDatabase
  EXPECT_EQ(ErrorOf("27 01 20 01 01"), 0);  // ResetSyncFlags
  EXPECT_EQ(dlp->ReadOpenDBInfo(db), 3);
  EXPECT_EQ(dlp->ReadRecordByIndex(db, 2).attributes, 0);
  const size_t before = handheld->requests();
  dlp->DeleteAllRecords(db);
  EXPECT_EQ(handheld->requests(), before + 1);
  EXPECT_EQ(dlp->ReadOpenDBInfo(db), 0);
}

TEST_F(HandheldSimTest, DatabasesAreFoundByTheNameInTheirHeader) {
  const auto write = [&](const std::string& file, const std::string& bytes) {
    testing::WriteFileBytes(folder + "/" + file, bytes);
  };
  write("one.pdb", Text(SerializePdb(Database("Alpha", 1))));
  write("beta-copy.pdb", Text(SerializePdb(Database("Beta", 2))));
  write("Beta.pdb", Text(SerializePdb(Database("Beta", 1))));
  write("junk.pdb", "not a database");
  write("notes.txt", Text(SerializePdb(Database("Gamma"))));
  std::vector<std::string> skipped;
  HandheldDatabases databases = HandheldDatabases::Load(folder, &skipped);
  ASSERT_EQ(databases.size(), 2u);
  EXPECT_EQ(databases.at(0).name(), "Alpha");
  EXPECT_EQ(databases.at(1).file_name, "Beta.pdb");  // the file of its name counts
  EXPECT_EQ(databases.at(1).file.records.size(), 1u);
  ASSERT_EQ(skipped.size(), 2u);
  EXPECT_EQ(skipped[0].rfind("beta-copy.pdb: ", 0), 0u);
  EXPECT_EQ(skipped[1].rfind("junk.pdb: ", 0), 0u);
  databases.at(0).Write(0, 0, {'w'});
  databases.Save(folder);
  EXPECT_EQ(ReadPdbFile(folder + "/one.pdb").records.size(), 2u);
}

TEST_F(HandheldSimTest, TheDatabaseListComesTwentyAtATime) {
  std::vector<PdbFile> files;
  for (int i = 0; i < 45; ++i) files.push_back(Database("DB" + std::to_string(100 + i)));
  Start(files);
  const struct {
    uint16_t start;
    size_t count;
    uint16_t last_index;
    bool more;
  } pages[] = {{0, 20, 19, true}, {20, 20, 39, true}, {40, 5, 44, false}};
  for (const auto& p : pages) {
    const link::DbListPage page = dlp->ReadDBList(link::DbStore::kRam, p.start);
    ASSERT_EQ(page.databases.size(), p.count) << p.start;
    EXPECT_EQ(page.last_index, p.last_index);
    EXPECT_EQ(page.more, p.more);
    EXPECT_EQ(page.databases[0].name, "DB" + std::to_string(100 + p.start));
  }
  EXPECT_EQ(ErrorNumberOf([&] { dlp->ReadDBList(link::DbStore::kRam, 45); }), err::kNotFound);
  EXPECT_EQ(handheld->faults(), 0u);
}

TEST_F(HandheldSimTest, SaveWritesWhatChangedAndCreatedAndDeletedDatabases) {
  Start({Database("Keep", 1), Database("Gone", 1), Database("Log", 2)});
  const ino_t keep_inode = sys::Stat(folder + "/Keep.pdb").st_ino;
  const uint8_t created = dlp->CreateDB({0x43525654, 0x44415441, 0, 3, "New/One"});
  EXPECT_EQ(dlp->FindDBByHandle(created).info.attributes & 0x0008, 0x0008);  // backup
  dlp->WriteRecord(created, {0, 0, 0, 0, {'z'}});
  dlp->CloseDB(created);
  dlp->DeleteDB("Gone");
  dlp->WriteRecord(dlp->OpenDB("Log", OpenMode::kReadWrite), {2, 0, 0, 0, {'B'}});
  handheld->Save(folder);

  const PdbFile made = ReadPdbFile(folder + "/New_One.pdb");
  EXPECT_EQ(made.header.Name(), "New/One");
  EXPECT_EQ(made.header.creator, "CRVT");
  ASSERT_EQ(made.records.size(), 1u);
  EXPECT_EQ(Text(made.records[0].data), "z");
  EXPECT_FALSE(fs::exists(folder + "/Gone.pdb"));
  const PdbFile log = ReadPdbFile(folder + "/Log.pdb");
  ASSERT_EQ(log.records.size(), 2u);
  EXPECT_EQ(Text(log.records[1].data), "B");
  EXPECT_EQ(log.header.modification_number, 8u);
  EXPECT_EQ(sys::Stat(folder + "/Keep.pdb").st_ino, keep_inode);  // never rewritten
}

TEST_F(HandheldSimTest, SessionCallsKeepWhatTheDesktopSet) {
  Start({}, HandheldUser{0, "ignored"});
  EXPECT_EQ(dlp->ReadUserInfo().user_name, "");  // never synchronised: no name
  const link::DlpTime last{2023, 6, 13, 0, 0, 1};
  dlp->WriteUserInfo({link::UserInfoUpdate::kUserId | link::UserInfoUpdate::kUserName |
                          link::UserInfoUpdate::kLastSync,
                      77, 0, 0, last, "Ann Pilot"});
  dlp->SetSysDateTime({2030, 2, 28, 23, 59, 58});
  dlp->WriteNetSyncInfo({true, "", "10.0.0.9", ""}, link::netsync_change::kHostAddress);
  const link::UserInfo user = dlp->ReadUserInfo();
  EXPECT_EQ(user.user_id, 77u);
  EXPECT_EQ(user.user_name, "Ann Pilot");
  EXPECT_EQ(user.last_sync, last);
  EXPECT_EQ(dlp->GetSysDateTime(), (link::DlpTime{2030, 2, 28, 23, 59, 58}));
  const link::NetSyncInfo netsync = dlp->ReadNetSyncInfo();
  EXPECT_FALSE(netsync.lan_sync);  // not among the changes
  EXPECT_EQ(netsync.host_address, "10.0.0.9");
  dlp->AddSyncLogEntry("OK CorvaneConduit\n");
  dlp->EndOfSync(link::SyncEnd::kError);
  EXPECT_EQ(handheld->sync_log(), std::vector<std::string>{"OK CorvaneConduit\n"});
  EXPECT_EQ(handheld->sync_end(), SyncEnd::kError);
  EXPECT_EQ(handheld->end_status(), 3);
  EXPECT_EQ(handheld->faults(), 0u);
  EXPECT_EQ(ErrorOf("10 00"), link::dlp::kErrIllegalRequest);  // nothing after the end
  EXPECT_EQ(handheld->faults(), 1u);
}

TEST_F(HandheldSimTest, FaultsAreAnsweredWithTheHandheldsErrors) {
  Start({Database("MemoDB", 2)});
  ASSERT_EQ(dlp->OpenDB("MemoDB", OpenMode::kRead), 1);
  const struct {
    const char* request;
    uint16_t error;
    bool fault;
  } cases[] = {
      {"", link::dlp::kErrParam, true},
      {"20 01 20 0a 01 00", link::dlp::kErrParam, true},   // cut short
      {"90 00", link::dlp::kErrParam, true},               // an answer's byte
      {"05 00", link::dlp::kErrIllegalRequest, true},      // no such command
      {"12 01 20 03 000100", link::dlp::kErrParam, true},  // version of 3 bytes
      {"2b 01 20 02 01 00", link::dlp::kErrParam, true},   // a byte too many
      {"2b 01 20 01 09", link::dlp::kErrParam, true},      // handle not open
      {"2b 01 21 01 01", link::dlp::kErrParam, true},      // another argument id
      {"21 01 20 09 01 80 00000000 00 00 68", link::dlp::kErrReadOnly, true},
      {"22 01 20 06 01 80 00000000", link::dlp::kErrReadOnly, true},   // delete all
      {"1c 01 20 05 01 00 0002 68", link::dlp::kErrParam, true},       // block size wrong
      {"17 01 20 08 00 80 4d656d6f4442", link::dlp::kErrParam, true},  // name without zero
      {"17 01 20 04 00 00 41 00", link::dlp::kErrParam, true},         // neither read nor write
      {"17 01 20 09 00 c0 4d656d6f444200", link::dlp::kErrDatabaseOpen, true},
      {"18 01 20 15 43525654 44415441 00 00 0000 0001 4d656d6f444200", link::dlp::kErrAlreadyExists,
       true},
      {"23 01 20 08 01 00 0000 0000 ffff", link::dlp::kErrNotSupported, true},  // a resource
      {"2f 00", link::dlp::kErrParam, true},                                    // no status
      // What a correct desktop meets: no faults.
      {"17 01 20 07 00 80 4e6f6e6500", link::dlp::kErrNotFound, false},  // no database
      {"20 01 20 0a 01 00 000003e7 0000 ffff", link::dlp::kErrNotFound, false},
      {"20 01 21 08 01 00 0002 0000 ffff", link::dlp::kErrNotFound, false},  // past the end
      {"1b 01 20 06 01 00 0000 ffff", link::dlp::kErrNotFound, false},       // no app block
      {"1a 01 20 07 00 00 4e6f6e6500", link::dlp::kErrNotFound, false},
      {"3a 00", link::dlp::kErrNotSupported, false},  // SetDBInfo, not served
  };
  for (const auto& c : cases) {
    const size_t faults = handheld->faults();
    EXPECT_EQ(ErrorOf(c.request), c.error) << c.request;
    EXPECT_EQ(handheld->faults(), faults + (c.fault ? 1 : 0)) << c.request;
  }
}

TEST_F(HandheldSimTest, EveryRecordedDesktopRequestIsAnsweredWithoutFault) {
  PdbFile memo = Database("MemoDB", 1);
  memo.app_info = Bytes(282, 0);
  Start({memo});
  const fs::path recordings = fs::path(CORVANE_SOURCE_DIR) / "tests/data/hotsync-sessions";
  size_t sessions = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(recordings)) {
    const std::string name = entry.path().filename().string();
    if (!name.ends_with(".net.json")) continue;
    SCOPED_TRACE(name);
    ++sessions;
    testing::ReplayStream sent(
        {testing::SideOf(testing::LoadRecording(entry.path().string()), false)});
    SimulatedHandheld fresh(HandheldDatabases::Load(folder, nullptr), {}, clock);
    for (int datagram = 0; sent.Unplayed() != ""; ++datagram) {
      const Bytes payload = link::ReadDatagram(sent, link::After({})).payload;
      if (datagram >= 2) fresh.Answer(payload);  // past the desktop's two opening datagrams
    }
    EXPECT_TRUE(fresh.ended());
    EXPECT_EQ(fresh.fault_reasons(), std::vector<std::string>{});
  }
  EXPECT_EQ(sessions, 4u);
}

// Requests in a queue; the desktop is gone when it runs out.
struct ScriptedDesktop : link::DlpHandheldTransport {
  std::vector<Bytes> requests;
  size_t next = 0;
  size_t answered = 0;
  Bytes NextRequest(link::Deadline) override {
    if (next == requests.size()) throw ConduitError(err::kLinkClosed, "the desktop has gone");
    return requests[next++];
  }
  void Answer(const Bytes&) override { ++answered; }
};

TEST(HandheldSimSessionTest, DropsAndSilencesCountRequestsFromOne) {
  const Bytes sys_info = Unhex("12 01 20 04 00010004");
  const Bytes end = Unhex("2f 01 20 02 0000");
  const struct {
    std::vector<Bytes> requests;
    size_t drop_after, silent_after;
    SessionEnd end;
    size_t answered;
  } cases[] = {
      {{sys_info, sys_info, sys_info}, 0, 0, SessionEnd::kLinkLost, 3},
      {{sys_info, sys_info, sys_info}, 3, 0, SessionEnd::kDropped, 2},
      {{sys_info, sys_info, sys_info}, 0, 2, SessionEnd::kTimedOut, 1},
      {{sys_info, end, sys_info}, 0, 0, SessionEnd::kEndOfSync, 2},
  };
  testing::FakeClock clock;
  for (const auto& c : cases) {
    SimulatedHandheld handheld(HandheldDatabases{}, {}, clock);
    ScriptedDesktop desktop;
    desktop.requests = c.requests;
    // A deadline already passed: a silent handheld gives up at once.
    const SessionPlan plan{link::SteadyClock::now(), c.drop_after, c.silent_after};
    EXPECT_EQ(ServeSession(desktop, handheld, plan).end, c.end);
    EXPECT_EQ(desktop.answered, c.answered);
  }
}

TEST(HandheldSimOptionsTest, CommandLinesAreCheckedBeforeAnythingStarts) {
  const struct {
    std::vector<std::string> args;
    const char* error;  // "": accepted
  } cases[] = {
      {{"--folder", "d", "--netsync=127.0.0.1:14238", "--drop-after", "3"}, ""},
      {{"--folder=d", "--serial-pty", "--user-id", "0", "--baud", "9600"}, ""},
      {{"--netsync", "127.0.0.1:1"}, "--folder DIR is needed"},
      {{"--folder", "d"}, "one of --netsync, --serial-tcp and --serial-pty is needed"},
      {{"--folder", "d", "--serial-pty", "--netsync", "1"}, "one of"},
      {{"--folder", "d", "--serial-pty", "--baud", "1234"}, "--baud 1234 is no serial rate"},
      {{"--folder", "d", "--serial-pty", "--drop-after", "0"}, "bad --drop-after '0'"},
      {{"--folder", "d", "--netsync", "nowhere"}, "no port"},
      {{"--folder", "d", "--serial-pty", "--timeout"}, "--timeout needs a value"},
      {{"--folder", "d", "--serial-pty", "-x"}, "unknown argument '-x'"},
  };
  for (const auto& c : cases) {
    const std::string error = testing::ErrorOf([&] { ParseSimOptions(c.args); });
    if (*c.error == '\0') {
      EXPECT_EQ(error, "") << c.args[0];
    } else {
      EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
  }
}

}  // namespace
}  // namespace corvane::handheld_sim
