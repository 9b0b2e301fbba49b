#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/dlp_answers.h"
#include "link/dlp_codec.h"
#include "link/dlp_transport.h"

namespace corvane::link {

// Which databases ReadDBList lists.
enum class DbStore : uint8_t { kRam = dlp::kListRam, kRom = dlp::kListRom };
// With kSecret a handheld shows the records its user marked private too.
enum class OpenMode : uint8_t {
  kRead = dlp::kOpenRead,
  kReadWrite = dlp::kOpenRead | dlp::kOpenWrite,
  kReadSecret = dlp::kOpenRead | dlp::kOpenSecret,
  kReadWriteSecret = dlp::kOpenRead | dlp::kOpenWrite | dlp::kOpenSecret
};
// How EndOfSync ends the HotSync operation on the handheld.
enum class SyncEnd : uint16_t { kNormal = 0, kError = 3 };

// WriteUserInfo's fields; change says which of them the handheld takes.
struct UserInfoUpdate {
  static constexpr uint8_t kUserId = 0x80;
  static constexpr uint8_t kLastSyncPc = 0x40;
  static constexpr uint8_t kLastSync = 0x20;
  static constexpr uint8_t kUserName = 0x10;
  static constexpr uint8_t kViewerId = 0x08;

  uint8_t change = 0;
  uint32_t user_id = 0;
  uint32_t viewer_id = 0;
  uint32_t last_sync_pc = 0;
  DlpTime last_sync;
  std::string user_name;
};

// WriteNetSyncInfo's change bits.
namespace netsync_change {
inline constexpr uint8_t kLanSync = 0x80;
inline constexpr uint8_t kHostName = 0x40;
inline constexpr uint8_t kHostAddress = 0x20;
inline constexpr uint8_t kSubnetMask = 0x10;
}  // namespace netsync_change

struct NewDb {
  uint32_t creator = 0;
  uint32_t type = 0;
  uint16_t attributes = 0;
  uint16_t version = 0;
  std::string name;
};

// The desktop's DLP calls, typed, over either stack. Every answer is
// checked before it is used: it must answer the command asked (else
// kLinkMalformed "unexpected answer"), and a DLP error raises kNotFound for
// dlpErrNotFound and kHandheldRefused for any other (DlpRefusal). Link
// failures come through from the transport as they are. Databases are on
// card 0, as on every handheld with one store.
class DlpClient {
 public:
  explicit DlpClient(DlpTransport& transport) : transport_(transport) {}

  // Tells the handheld the DLP version this desktop speaks.
  SysInfo ReadSysInfo();
  UserInfo ReadUserInfo();
  void WriteUserInfo(const UserInfoUpdate& update);
  DlpTime GetSysDateTime();
  void SetSysDateTime(const DlpTime& time);
  StorageInfo ReadStorageInfo(uint8_t first_card = 0);
  NetSyncInfo ReadNetSyncInfo();
  // change: netsync_change bits.
  void WriteNetSyncInfo(const NetSyncInfo& info, uint8_t change);
  // One page of the list from start_index on; page.more says whether
  // another follows (from page.last_index + 1). Past the last database the
  // handheld answers not found.
  DbListPage ReadDBList(DbStore store, uint16_t start_index);

  // Said before each conduit's work; a sync cancelled on the handheld
  // answers it with an error.
  void OpenConduit();
  uint8_t OpenDB(const std::string& name, OpenMode mode);
  void CloseDB(uint8_t handle);
  // Creates the database and opens it; its handle.
  uint8_t CreateDB(const NewDb& db);
  void DeleteDB(const std::string& name);
  FoundDb FindDBByHandle(uint8_t handle);
  // The number of records (or resources) in an open database.
  uint16_t ReadOpenDBInfo(uint8_t handle);

  Bytes ReadAppBlock(uint8_t handle);
  void WriteAppBlock(uint8_t handle, const Bytes& block);
  Bytes ReadSortBlock(uint8_t handle);
  void WriteSortBlock(uint8_t handle, const Bytes& block);

  // At most max_count ids from start_index on, in the database's order.
  std::vector<uint32_t> ReadRecordIDList(uint8_t handle, uint16_t start_index, uint16_t max_count);
  DlpRecord ReadRecordById(uint8_t handle, uint32_t id);
  DlpRecord ReadRecordByIndex(uint8_t handle, uint16_t index);
  DlpResource ReadResourceByIndex(uint8_t handle, uint16_t index);
  // Writes record.data with record.id (0: a new record) and its attributes
  // and category exactly as given: the handheld marks nothing dirty itself.
  // The id the record has on the handheld.
  uint32_t WriteRecord(uint8_t handle, const DlpRecord& record);
  void DeleteRecord(uint8_t handle, uint32_t id);
  // Every record of the database, in one call.
  void DeleteAllRecords(uint8_t handle);

  void AddSyncLogEntry(const std::string& text);
  void EndOfSync(SyncEnd status);

  // One request and its checked answer, for calls without a typed form.
  DlpResponse Call(const DlpRequest& request);

 private:
  // A request with one argument (id 0x20 unless told).
  DlpResponse Ask(uint8_t command, Bytes argument, uint8_t id = dlp::kFirstArgId);

  DlpTransport& transport_;
};

}  // namespace corvane::link
