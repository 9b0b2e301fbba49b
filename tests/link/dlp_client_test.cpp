// The DLP calls the recorded sessions do not make, and the answers the
// client must refuse: each against a transport that records the request
// and gives a scripted answer.

#include "link/dlp_client.h"

#include <gtest/gtest.h>

#include <functional>

#include "fixtures/caught_error.h"
#include "fixtures/session_recording.h"

namespace corvane::link {
namespace {

using testing::Hex;
using testing::Unhex;

struct ScriptedTransport : DlpTransport {
  Bytes answer;
  Bytes sent;

  Bytes Exchange(const Bytes& request) override {
    sent = request;
    return answer;
  }
  void Tickle() override {}
  std::chrono::milliseconds TickleInterval() const override { return {}; }
};

TEST(DlpClientTest, CallsSendTheirRequestsAndDecodeTheirAnswers) {
  const struct {
    std::function<std::string(DlpClient&)> call;
    const char* request;
    const char* answer;
    const char* result;
  } cases[] = {
      {[](DlpClient& c) {
         return std::to_string(c.WriteRecord(3, {0, 0, 0x40, 2, {'h', 'i'}}));
       },
       "21 01 20 0a 03 80 00000000 40 02 6869", "a1 01 0000 20 04 00abcdef", "11259375"},
      {[](DlpClient& c) {
         c.DeleteAllRecords(3);
         return "";
       },
       "22 01 20 06 03 80 00000000", "a2 00 0000", ""},
      {[](DlpClient& c) {
         c.DeleteRecord(3, 0x457001);
         return "";
       },
       "22 01 20 06 03 00 00457001", "a2 00 0000", ""},
      {[](DlpClient& c) {
         return std::to_string(c.CreateDB({0x434f5256, 0x44415441, 0x0008, 1, "Log"}));
       },
       "18 01 20 12 434f5256 44415441 00 00 0008 0001 4c6f6700", "98 01 0000 20 01 04", "4"},
      {[](DlpClient& c) {
         c.DeleteDB("Log");
         return "";
       },
       "1a 01 20 06 00 00 4c6f6700", "9a 00 0000", ""},
      {[](DlpClient& c) {
         c.WriteSortBlock(3, {0xAA, 0xBB});
         return "";
       },
       "1e 01 20 06 03 00 0002 aabb", "9e 00 0000", ""},
      {[](DlpClient& c) {
         const DlpRecord r = c.ReadRecordByIndex(3, 7);
         return std::to_string(r.id) + " " + std::to_string(r.attributes) + " " +
                std::to_string(r.category) + " " + Hex(r.data);
       },
       "20 01 21 08 03 00 0007 0000 ffff", "a0 01 0000 20 0c 00000009 0007 0002 40 01 6869",
       "9 64 1 6869"},
      {[](DlpClient& c) {
         const DlpResource r = c.ReadResourceByIndex(2, 7);
         return std::to_string(r.type) + " " + std::to_string(r.id) + " " + Hex(r.data);
       },
       "23 01 20 08 02 00 0007 0000 ffff", "a3 01 0000 20 0c 74766572 0001 0007 0002 3400",
       "1953916274 1 3400"},
      {[](DlpClient& c) {  // the answer recorded on the serial stack
         const FoundDb db = c.FindDBByHandle(1);
         return db.info.name + " " + std::to_string(db.record_count) + " " +
                std::to_string(db.app_block_size);
       },
       "39 01 21 02 c0 01",
       "b9 02 0000 20 3e 0000 0004023b 00005b72 34 40 8008 44415441 6d656d6f 0000 0000000a "
       "07e7081c160a3a00 07e7081c160a3a00 07e7081c160a3a00 ffff 4d656d6f444200 00 21 18 "
       "00000001 00000070 00000008 00000118 00000000 00000000",
       "MemoDB 1 280"},
      {[](DlpClient& c) {
         c.AddSyncLogEntry("OK");
         return "";
       },
       "2a 01 20 03 4f4b00", "aa 00 0000", ""},
      {[](DlpClient& c) {
         c.EndOfSync(SyncEnd::kError);
         return "";
       },
       "2f 01 20 02 0003", "af 00 0000", ""},
  };
  for (const auto& [call, request, answer, result] : cases) {
    SCOPED_TRACE(request);
    ScriptedTransport transport;
    transport.answer = Unhex(answer);
    DlpClient client(transport);
    EXPECT_EQ(call(client), result);
    EXPECT_EQ(Hex(transport.sent), Hex(Unhex(request)));
  }
}

TEST(DlpClientTest, WrongOrBrokenAnswersAreRefused) {
  const struct {
    std::function<void(DlpClient&)> call;
    const char* answer;
    int32_t error;
    const char* says;
  } cases[] = {
      {[](DlpClient& c) { c.ReadUserInfo(); }, "91 00 0000", err::kLinkMalformed,
       "unexpected answer: WriteUserInfo (0x11) to ReadUserInfo (0x10)"},
      {[](DlpClient& c) { c.ReadSortBlock(1); }, "9d 00 0005", err::kNotFound, "dlpErrNotFound"},
      {[](DlpClient& c) { c.OpenConduit(); }, "ae 00 0012", err::kHandheldRefused,
       "dlpErrCancelSync (18)"},
      {[](DlpClient& c) { c.ReadOpenDBInfo(1); }, "ab 00 0000", err::kLinkMalformed,
       "argument 0x20 is missing"},
      {[](DlpClient& c) { c.ReadUserInfo(); },
       "90 01 0000 20 1e 000000000000000000000000 0000000000000000 0000000000000000 10 00",
       err::kLinkMalformed, "16 bytes wanted"},
      {[](DlpClient& c) { c.ReadRecordById(1, 9); },
       "a0 01 0000 20 0c 00000009 0000 000e 40 00 6869", err::kLinkMalformed,
       "record of 14 bytes comes with 2"},
      {[](DlpClient& c) { c.ReadAppBlock(1); }, "9b 01 0000 20 03 0002 00", err::kLinkMalformed,
       "block of 2 bytes comes with 1"},
      {[](DlpClient& c) { c.ReadDBList(DbStore::kRam, 0); }, "96 01 0000 20 06 0000 80 01 10 00",
       err::kLinkMalformed, "database entry of 16 bytes"},
      {[](DlpClient& c) { c.ReadRecordIDList(1, 0, 500); }, "b1 01 0000 20 06 0003 00457001",
       err::kLinkMalformed, "3 record ids do not fit"},
      {[](DlpClient& c) { c.ReadStorageInfo(); }, "95 01 0000 20 05 00 00 00 02 30",
       err::kLinkMalformed, "47 bytes wanted"},
      {[](DlpClient& c) { c.OpenDB(std::string("Memo\0DB", 7), OpenMode::kRead); }, "97 00 0000",
       err::kBadArgument, "holds a zero"},
  };
  for (const auto& [call, answer, error, says] : cases) {
    SCOPED_TRACE(answer);
    ScriptedTransport transport;
    transport.answer = Unhex(answer);
    DlpClient client(transport);
    const std::string text = testing::ErrorOf([&] { call(client); });
    EXPECT_EQ(text.empty() ? 0 : std::stoi(text), error);
    EXPECT_NE(text.find(says), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace corvane::link
