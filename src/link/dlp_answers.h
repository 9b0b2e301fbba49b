#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/dlp_codec.h"

namespace corvane::link {

// What the handheld's answers to the DLP calls hold, and their decoders.
// Each decoder takes an answer already checked to answer its command
// without a DLP error, finds its arguments by id and checks every size and
// count in them against the argument's length: a missing argument, one too
// short for its fixed fields, or a count or length that points past its end
// raises kLinkMalformed. Texts are kept as the handheld's single-byte text.

// A date and time as the handheld keeps it (2-byte year, month, day, hour,
// minute, second, a pad byte); a year of 0 means "never".
struct DlpTime {
  uint16_t year = 0;
  uint8_t month = 0;
  uint8_t day = 0;
  uint8_t hour = 0;
  uint8_t minute = 0;
  uint8_t second = 0;

  bool operator==(const DlpTime&) const = default;
};

struct SysInfo {
  uint32_t rom_version = 0;
  uint32_t locale = 0;
  Bytes product_id;
  // Told by handhelds from DLP 1.2 on; 0 from older ones.
  uint16_t dlp_major = 0;
  uint16_t dlp_minor = 0;
  uint16_t compatible_major = 0;
  uint16_t compatible_minor = 0;
  uint32_t max_record_size = 0;
};

struct UserInfo {
  uint32_t user_id = 0;
  uint32_t viewer_id = 0;
  uint32_t last_sync_pc = 0;
  DlpTime last_good_sync;
  DlpTime last_sync;
  std::string user_name;
  Bytes password;  // as the handheld keeps it
};

struct CardInfo {
  uint8_t card = 0;
  uint16_t version = 0;
  DlpTime created;
  uint32_t rom_size = 0;
  uint32_t ram_size = 0;
  uint32_t free_ram = 0;
  std::string name;
  std::string manufacturer;
};

struct StorageInfo {
  uint8_t last_card = 0;
  bool more = false;
  std::vector<CardInfo> cards;
  // Told by newer handhelds only; 0 otherwise.
  uint16_t rom_databases = 0;
  uint16_t ram_databases = 0;
};

struct NetSyncInfo {
  bool lan_sync = false;
  std::string host_name;
  std::string host_address;
  std::string subnet_mask;
};

struct DbInfo {
  uint8_t misc_flags = 0;
  uint16_t attributes = 0;
  uint32_t type = 0;
  uint32_t creator = 0;
  uint16_t version = 0;
  uint32_t modification_number = 0;
  DlpTime created;
  DlpTime modified;
  DlpTime backed_up;
  uint16_t index = 0;
  std::string name;
};

// One answer to ReadDBList: the handheld sends a page at a time.
struct DbListPage {
  uint16_t last_index = 0;
  bool more = false;
  std::vector<DbInfo> databases;
};

// FindDB's answer about an open database.
struct FoundDb {
  uint8_t card = 0;
  uint32_t local_id = 0;
  uint32_t open_ref = 0;
  DbInfo info;
  uint32_t record_count = 0;
  uint32_t total_bytes = 0;
  uint32_t data_bytes = 0;
  uint32_t app_block_size = 0;
  uint32_t sort_block_size = 0;
  uint32_t max_record_size = 0;
};

struct DlpRecord {
  uint32_t id = 0;
  uint16_t index = 0;
  uint8_t attributes = 0;  // deleted 0x80, dirty 0x40, busy 0x20, secret 0x10, archived 0x08
  uint8_t category = 0;
  Bytes data;
};

struct DlpResource {
  uint32_t type = 0;
  uint16_t id = 0;
  uint16_t index = 0;
  Bytes data;
};

class WireReader;
class WireWriter;

// A date and time in its 8 bytes on the wire, for both ends.
inline constexpr size_t kDlpTimeSize = 8;
DlpTime ReadDlpTime(WireReader& in);
void AppendDlpTime(WireWriter& out, const DlpTime& time);

SysInfo ParseSysInfo(const DlpResponse& answer);
UserInfo ParseUserInfo(const DlpResponse& answer);
DlpTime ParseSysDateTime(const DlpResponse& answer);
StorageInfo ParseStorageInfo(const DlpResponse& answer);
NetSyncInfo ParseNetSyncInfo(const DlpResponse& answer);
DbListPage ParseDbList(const DlpResponse& answer);
FoundDb ParseFoundDb(const DlpResponse& answer);
// OpenDB's and CreateDB's handle.
uint8_t ParseDbHandle(const DlpResponse& answer);
// ReadOpenDBInfo's record count.
uint16_t ParseRecordCount(const DlpResponse& answer);
// ReadAppBlock's and ReadSortBlock's block.
Bytes ParseBlock(const DlpResponse& answer);
std::vector<uint32_t> ParseRecordIds(const DlpResponse& answer);
DlpRecord ParseRecord(const DlpResponse& answer);
DlpResource ParseResource(const DlpResponse& answer);
// WriteRecord's id of the record written.
uint32_t ParseWrittenRecordId(const DlpResponse& answer);

}  // namespace corvane::link
