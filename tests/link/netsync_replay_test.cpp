// NetSync and the DLP client against the recorded network sessions: the
// desktop end must send the recorded desktop's bytes exactly, and the
// handheld end, given the recorded answers, the recorded handheld's.

#include <gtest/gtest.h>

#include <functional>

#include "fixtures/caught_error.h"
#include "fixtures/session_recording.h"
#include "link/dlp_client.h"
#include "link/netsync.h"

namespace corvane::link {
namespace {

using testing::ErrorNumberOf;
using testing::LoadRecording;
using testing::RecordedTransfer;
using testing::RecordingPath;
using testing::ReplayStream;
using testing::Unhex;

struct Session {
  const char* name;
  HandheldAddress handheld;
  // The session's own calls, checking what they decode.
  std::function<void(DlpClient&)> calls;
  const char* user_name;
};

const Session kSessions[] = {
    {"no-op-test", {0xC0A80205, 0xE06B, AddressLayout::kEmulator}, [](DlpClient&) {}, ""},
    {"list-db-test",
     {0xC0A80205, 0xD18F, AddressLayout::kEmulator},
     [](DlpClient& c) {
       const DbListPage page = c.ReadDBList(DbStore::kRam, 0);
       EXPECT_TRUE(page.more);
       EXPECT_EQ(page.last_index, 42);
       ASSERT_EQ(page.databases.size(), 20u);
       EXPECT_EQ(page.databases[0].name, "AddressDB");
       EXPECT_EQ(page.databases[2].name, "MemoDB");
       EXPECT_EQ(page.databases[19].name, "General_gnrl_panl_a68k");
       EXPECT_EQ(page.databases[2].creator, 0x6d656d6fu);  // 'memo'
     },
     ""},
    {"device-info-test",
     {0xC0A80204, 0xD1EF, AddressLayout::kDevice},
     [](DlpClient& c) {
       EXPECT_EQ(c.ReadUserInfo().last_sync, (DlpTime{2023, 6, 12, 17, 0, 0}));
       const DlpTime time{2023, 6, 13, 0, 0, 1};
       c.WriteUserInfo(
           {UserInfoUpdate::kLastSync | UserInfoUpdate::kUserName, 0, 0, 0, time, "Test 0"});
       EXPECT_EQ(c.ReadUserInfo().last_sync, time);
       EXPECT_EQ(c.GetSysDateTime(), (DlpTime{2023, 6, 12, 6, 44, 51}));
       c.SetSysDateTime(time);
       const StorageInfo storage = c.ReadStorageInfo();
       ASSERT_EQ(storage.cards.size(), 1u);
       EXPECT_EQ(storage.cards[0].manufacturer, "Palm Computing");
       EXPECT_EQ(storage.cards[0].free_ram, 0x007b909cu);
       EXPECT_EQ(storage.ram_databases, 13);
       const NetSyncInfo netsync = c.ReadNetSyncInfo();
       EXPECT_EQ(netsync.host_address, "192.168.2.4");
       c.WriteNetSyncInfo(netsync, 0xF0);
     },
     "Test 0"},
    {"read-memo-test",
     {0xC0A80205, 0xDA6D, AddressLayout::kEmulator},
     [](DlpClient& c) {
       c.OpenConduit();
       const uint8_t db = c.OpenDB("MemoDB", OpenMode::kRead);
       EXPECT_EQ(c.ReadOpenDBInfo(db), 1);
       EXPECT_EQ(c.ReadAppBlock(db).size(), 282u);
       const std::vector<uint32_t> ids = c.ReadRecordIDList(db, 0, 500);
       ASSERT_EQ(ids, std::vector<uint32_t>{0x457001});
       const DlpRecord memo = c.ReadRecordById(db, ids[0]);
       EXPECT_EQ(std::string(memo.data.begin(), memo.data.end()),
                 std::string("Hello, world!\0", 14));
       EXPECT_EQ(memo.attributes, 0x40);
       c.CloseDB(db);
     },
     ""},
};

TEST(NetSyncReplayTest, TheDesktopSendsTheRecordedBytes) {
  for (const Session& session : kSessions) {
    SCOPED_TRACE(session.name);
    ReplayStream stream(LoadRecording(RecordingPath(std::string(session.name) + ".net.json")));
    NetSyncDesktop desktop(stream);
    DlpClient client(desktop);
    desktop.Open();
    EXPECT_EQ(desktop.handheld(), session.handheld);
    EXPECT_EQ(client.ReadSysInfo().dlp_major, 1);
    EXPECT_EQ(client.ReadUserInfo().user_name, session.user_name);
    session.calls(client);
    client.EndOfSync(SyncEnd::kNormal);
    EXPECT_EQ(stream.Unplayed(), "");
  }
}

TEST(NetSyncReplayTest, TheHandheldSendsTheRecordedBytes) {
  for (const Session& session : kSessions) {
    SCOPED_TRACE(session.name);
    std::vector<RecordedTransfer> transfers =
        LoadRecording(RecordingPath(std::string(session.name) + ".net.json"));
    // The recorded handheld's answers, past its three opening datagrams.
    ReplayStream answers({testing::SideOf(transfers, true)});
    for (int i = 0; i < 3; ++i) ReadDatagram(answers, After({}));

    for (RecordedTransfer& t : transfers) t.from_handheld = !t.from_handheld;
    ReplayStream stream(transfers);
    NetSyncHandheld handheld(stream, session.handheld);
    handheld.Open();
    while (answers.Unplayed() != "") {
      const Bytes answer = ReadDatagram(answers, After({})).payload;
      const Bytes request = handheld.NextRequest(After({}));
      EXPECT_EQ(DecodeDlpRequest(request).command, DecodeDlpResponse(answer).command);
      handheld.Answer(answer);
    }
    EXPECT_EQ(stream.Unplayed(), "");
  }
}

TEST(NetSyncTest, TicklesPassAndBrokenDatagramsAreRefused) {
  const struct {
    const char* handheld_sends;
    int32_t error;  // 0: the answer 90 00 0000
  } cases[] = {
      {"01 01 00000004 90000000", 0},
      {"02 ff 00000000 02 ff 00000000 01 01 00000004 90000000", 0},
      {"01 02 00000004 90000000", err::kLinkMalformed},  // another transaction
      {"01 01 ffffffff", err::kLinkMalformed},           // a 4 GB length
      {"01 01 00100001", err::kLinkMalformed},           // just over 1 MiB
      {"05 01 00000000", err::kLinkMalformed},           // an unknown type
      {"01 01 00000004 9000", err::kLinkClosed},         // the line drops
  };
  for (const auto& [handheld_sends, error] : cases) {
    SCOPED_TRACE(handheld_sends);
    ReplayStream stream({{false, Unhex("01 01 00000002 1000")}, {true, Unhex(handheld_sends)}});
    NetSyncDesktop desktop(stream);
    Bytes answer;
    EXPECT_EQ(ErrorNumberOf([&] { answer = desktop.Exchange(Unhex("1000")); }), error);
    if (error == 0) {
      EXPECT_EQ(answer, Unhex("90000000"));
    }
  }
}

TEST(NetSyncTest, TheDesktopTicklesAndTheHandheldTakesTicklesInPassing) {
  ReplayStream desktop_side({{false, Unhex("02 ff 00000000")}});
  NetSyncDesktop(desktop_side).Tickle();
  EXPECT_EQ(desktop_side.Unplayed(), "");

  ReplayStream handheld_side({{true, Unhex("02 ff 00000000 01 07 00000002 1000")},
                              {false, Unhex("01 07 00000004 90000000")}});
  NetSyncHandheld handheld(handheld_side, {});
  EXPECT_EQ(handheld.NextRequest(After({})), Unhex("1000"));
  handheld.Answer(Unhex("90000000"));
  EXPECT_EQ(handheld_side.Unplayed(), "");
}

TEST(NetSyncTest, AnAnswerThatDoesNotComeEndsInATimeout) {
  auto [ours, theirs] = sys::SocketPair();
  FdStream stream(std::move(ours), "socket pair");
  NetSyncDesktop desktop(stream, std::chrono::milliseconds(1));
  EXPECT_EQ(ErrorNumberOf([&] { desktop.Exchange(Unhex("1000")); }), err::kLinkTimeout);
}

}  // namespace
}  // namespace corvane::link
