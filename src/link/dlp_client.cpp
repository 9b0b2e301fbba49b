#include "link/dlp_client.h"

#include "link/wire_bytes.h"

namespace corvane::link {
namespace {

// The DLP version this desktop speaks, told to the handheld in ReadSysInfo.
constexpr uint16_t kDesktopDlpMajor = 1;
constexpr uint16_t kDesktopDlpMinor = 4;
constexpr uint8_t kFindAttributesAndSizes = dlp::kFindAttributes | dlp::kFindSizes;
constexpr uint8_t kCard = 0;

ConduitError CannotSend(const std::string& what) {
  return ConduitError(err::kBadArgument, "DLP request cannot be sent: " + what);
}

// A text the handheld reads up to its zero: one inside would cut it short.
const std::string& Text(const std::string& text, const char* what, size_t max_size) {
  if (text.find('\0') != std::string::npos) throw CannotSend(std::string(what) + " holds a zero");
  if (text.size() > max_size) throw CannotSend(std::string(what) + " is too long");
  return text;
}

// A NetSync text: its size with its zero, 0 for none.
uint16_t OptionalTextSize(const std::string& text) {
  return text.empty() ? 0 : static_cast<uint16_t>(text.size() + 1);
}

Bytes BlockRead(uint8_t handle) {
  return WireWriter().U8(handle).U8(0).U16(0).U16(dlp::kToTheEnd).Take();
}

Bytes BlockWrite(uint8_t handle, const Bytes& block) {
  if (block.size() > 0xFFFF) throw CannotSend("a block of " + std::to_string(block.size()));
  return WireWriter()
      .U8(handle)
      .U8(0)
      .U16(static_cast<uint16_t>(block.size()))
      .Append(block)
      .Take();
}

}  // namespace

DlpResponse DlpClient::Call(const DlpRequest& request) {
  const Bytes answer = transport_.Exchange(EncodeDlpRequest(request));
  DlpResponse response = DecodeDlpResponse(answer);
  if (response.command != request.command) {
    throw ConduitError(err::kLinkMalformed, "The handheld sent an unexpected answer: " +
                                                DlpCommandName(response.command) + " to " +
                                                DlpCommandName(request.command));
  }
  if (response.error != dlp::kErrNone) throw DlpRefusal(request.command, response.error);
  return response;
}

DlpResponse DlpClient::Ask(uint8_t command, Bytes argument, uint8_t id) {
  // Not a braced list: its elements are const and would copy the argument.
  DlpRequest request{command, {}};
  request.arguments.push_back(DlpArgument{id, std::move(argument)});
  return Call(request);
}

SysInfo DlpClient::ReadSysInfo() {
  return ParseSysInfo(
      Ask(dlp::kReadSysInfo, WireWriter().U16(kDesktopDlpMajor).U16(kDesktopDlpMinor).Take()));
}

UserInfo DlpClient::ReadUserInfo() {
  return ParseUserInfo(Call(DlpRequest{dlp::kReadUserInfo, {}}));
}

void DlpClient::WriteUserInfo(const UserInfoUpdate& update) {
  const std::string& name = Text(update.user_name, "the user name", 0xFE);
  WireWriter out;
  out.U32(update.user_id).U32(update.viewer_id).U32(update.last_sync_pc);
  AppendDlpTime(out, update.last_sync);
  out.U8(update.change).U8(static_cast<uint8_t>(name.size() + 1)).TextZ(name);
  Ask(dlp::kWriteUserInfo, out.Take());
}

DlpTime DlpClient::GetSysDateTime() {
  return ParseSysDateTime(Call(DlpRequest{dlp::kGetSysDateTime, {}}));
}

void DlpClient::SetSysDateTime(const DlpTime& time) {
  WireWriter out;
  AppendDlpTime(out, time);
  Ask(dlp::kSetSysDateTime, out.Take());
}

StorageInfo DlpClient::ReadStorageInfo(uint8_t first_card) {
  return ParseStorageInfo(Ask(dlp::kReadStorageInfo, WireWriter().U8(first_card).U8(0).Take()));
}

NetSyncInfo DlpClient::ReadNetSyncInfo() {
  return ParseNetSyncInfo(Call(DlpRequest{dlp::kReadNetSyncInfo, {}}));
}

void DlpClient::WriteNetSyncInfo(const NetSyncInfo& info, uint8_t change) {
  const std::string* texts[] = {&info.host_name, &info.host_address, &info.subnet_mask};
  WireWriter out;
  out.U8(change).U8(info.lan_sync ? 1 : 0).Append(std::vector<uint8_t>(16, 0));
  for (const std::string* text : texts) {
    out.U16(OptionalTextSize(Text(*text, "a NetSync address", 0xFFFE)));
  }
  for (const std::string* text : texts) {
    if (!text->empty()) out.TextZ(*text);
  }
  Ask(dlp::kWriteNetSyncInfo, out.Take());
}

DbListPage DlpClient::ReadDBList(DbStore store, uint16_t start_index) {
  const uint8_t flags = static_cast<uint8_t>(store) | dlp::kListMultiple;
  return ParseDbList(
      Ask(dlp::kReadDBList, WireWriter().U8(flags).U8(kCard).U16(start_index).Take()));
}

void DlpClient::OpenConduit() {
  Call(DlpRequest{dlp::kOpenConduit, {}});
}

uint8_t DlpClient::OpenDB(const std::string& name, OpenMode mode) {
  const std::string& text = Text(name, "the database name", 0xFF);
  return ParseDbHandle(
      Ask(dlp::kOpenDB, WireWriter().U8(kCard).U8(static_cast<uint8_t>(mode)).TextZ(text).Take()));
}

void DlpClient::CloseDB(uint8_t handle) {
  Ask(dlp::kCloseDB, {handle});
}

uint8_t DlpClient::CreateDB(const NewDb& db) {
  WireWriter out;
  out.U32(db.creator).U32(db.type).U8(kCard).U8(0).U16(db.attributes).U16(db.version);
  out.TextZ(Text(db.name, "the database name", 0xFF));
  return ParseDbHandle(Ask(dlp::kCreateDB, out.Take()));
}

void DlpClient::DeleteDB(const std::string& name) {
  Ask(dlp::kDeleteDB,
      WireWriter().U8(kCard).U8(0).TextZ(Text(name, "the database name", 0xFF)).Take());
}

FoundDb DlpClient::FindDBByHandle(uint8_t handle) {
  return ParseFoundDb(Ask(dlp::kFindDB, {kFindAttributesAndSizes, handle}, dlp::kFirstArgId + 1));
}

uint16_t DlpClient::ReadOpenDBInfo(uint8_t handle) {
  return ParseRecordCount(Ask(dlp::kReadOpenDBInfo, {handle}));
}

Bytes DlpClient::ReadAppBlock(uint8_t handle) {
  return ParseBlock(Ask(dlp::kReadAppBlock, BlockRead(handle)));
}

void DlpClient::WriteAppBlock(uint8_t handle, const Bytes& block) {
  Ask(dlp::kWriteAppBlock, BlockWrite(handle, block));
}

Bytes DlpClient::ReadSortBlock(uint8_t handle) {
  return ParseBlock(Ask(dlp::kReadSortBlock, BlockRead(handle)));
}

void DlpClient::WriteSortBlock(uint8_t handle, const Bytes& block) {
  Ask(dlp::kWriteSortBlock, BlockWrite(handle, block));
}

std::vector<uint32_t> DlpClient::ReadRecordIDList(uint8_t handle, uint16_t start_index,
                                                  uint16_t max_count) {
  return ParseRecordIds(Ask(dlp::kReadRecordIDList,
                            WireWriter().U8(handle).U8(0).U16(start_index).U16(max_count).Take()));
}

DlpRecord DlpClient::ReadRecordById(uint8_t handle, uint32_t id) {
  return ParseRecord(Ask(dlp::kReadRecord,
                         WireWriter().U8(handle).U8(0).U32(id).U16(0).U16(dlp::kToTheEnd).Take()));
}

DlpRecord DlpClient::ReadRecordByIndex(uint8_t handle, uint16_t index) {
  return ParseRecord(Ask(dlp::kReadRecord,
                         WireWriter().U8(handle).U8(0).U16(index).U16(0).U16(dlp::kToTheEnd).Take(),
                         dlp::kFirstArgId + 1));
}

DlpResource DlpClient::ReadResourceByIndex(uint8_t handle, uint16_t index) {
  return ParseResource(
      Ask(dlp::kReadResource,
          WireWriter().U8(handle).U8(0).U16(index).U16(0).U16(dlp::kToTheEnd).Take()));
}

uint32_t DlpClient::WriteRecord(uint8_t handle, const DlpRecord& record) {
  WireWriter out;
  out.U8(handle)
      .U8(dlp::kRecordDataIncluded)
      .U32(record.id)
      .U8(record.attributes)
      .U8(record.category);
  out.Append(record.data);
  return ParseWrittenRecordId(Ask(dlp::kWriteRecord, out.Take()));
}

void DlpClient::DeleteRecord(uint8_t handle, uint32_t id) {
  Ask(dlp::kDeleteRecord, WireWriter().U8(handle).U8(0).U32(id).Take());
}

void DlpClient::DeleteAllRecords(uint8_t handle) {
  Ask(dlp::kDeleteRecord, WireWriter().U8(handle).U8(dlp::kDeleteAll).U32(0).Take());
}

void DlpClient::AddSyncLogEntry(const std::string& text) {
  Ask(dlp::kAddSyncLogEntry, WireWriter().TextZ(Text(text, "the log entry", 0xFFFE)).Take());
}

void DlpClient::EndOfSync(SyncEnd status) {
  Ask(dlp::kEndOfSync, WireWriter().U16(static_cast<uint16_t>(status)).Take());
}

}  // namespace corvane::link
