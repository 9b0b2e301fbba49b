#include "link/dlp_answers.h"

#include "link/wire_bytes.h"

namespace corvane::link {
namespace {

constexpr uint8_t kSecondArgId = dlp::kFirstArgId + 1;
// Fixed fields before the texts, with the entry's own size byte.
constexpr size_t kCardInfoFixed = 26;
constexpr size_t kDbInfoFixed = 44;

std::string AnswerName(const DlpResponse& answer) {
  return DlpCommandName(answer.command) + " answer";
}

WireReader Argument(const DlpResponse& answer, uint8_t id) {
  const DlpArgument* arg = answer.Find(id);
  if (arg == nullptr) {
    WireReader({}, AnswerName(answer)).Fail("argument " + HexByte(id) + " is missing");
  }
  return WireReader(arg->data, AnswerName(answer));
}

// An entry that starts with its own size byte: a reader over the rest of it.
WireReader SizedEntry(WireReader& in, size_t fixed, const std::string& what) {
  const uint8_t size = in.U8();
  if (size < fixed) {
    in.Fail(what + " of " + std::to_string(size) + " bytes, shorter than its " +
            std::to_string(fixed) + " bytes of fixed fields");
  }
  return WireReader(in.Take(size - 1u), what);
}

DbInfo ReadDbInfo(WireReader& outer) {
  WireReader in = SizedEntry(outer, kDbInfoFixed, "database entry");
  DbInfo db;
  db.misc_flags = in.U8();
  db.attributes = in.U16();
  db.type = in.U32();
  db.creator = in.U32();
  db.version = in.U16();
  db.modification_number = in.U32();
  db.created = ReadDlpTime(in);
  db.modified = ReadDlpTime(in);
  db.backed_up = ReadDlpTime(in);
  db.index = in.U16();
  // The name ends at its zero; an odd-sized entry is padded to even after it.
  db.name = in.Text(in.left());
  return db;
}

// The data of a record, resource or block read whole must be as long as
// the handheld says it is: anything else is a cut-off answer.
Bytes WholeData(WireReader& in, size_t size, const std::string& what) {
  if (in.left() != size) {
    in.Fail(what + " of " + std::to_string(size) + " bytes comes with " +
            std::to_string(in.left()));
  }
  return in.Copy(size);
}

}  // namespace

DlpTime ReadDlpTime(WireReader& in) {
  const uint8_t* data = in.Take(kDlpTimeSize).data();
  // The pad byte is not read: handhelds leave whatever they like there.
  return DlpTime{GetU16(data), data[2], data[3], data[4], data[5], data[6]};
}

void AppendDlpTime(WireWriter& out, const DlpTime& time) {
  out.U16(time.year)
      .U8(time.month)
      .U8(time.day)
      .U8(time.hour)
      .U8(time.minute)
      .U8(time.second)
      .U8(0);
}

SysInfo ParseSysInfo(const DlpResponse& answer) {
  WireReader in = Argument(answer, dlp::kFirstArgId);
  SysInfo info;
  info.rom_version = in.U32();
  info.locale = in.U32();
  in.Skip(1);
  info.product_id = in.Copy(in.U8());
  if (answer.Find(kSecondArgId) != nullptr) {
    WireReader more = Argument(answer, kSecondArgId);
    info.dlp_major = more.U16();
    info.dlp_minor = more.U16();
    info.compatible_major = more.U16();
    info.compatible_minor = more.U16();
    info.max_record_size = more.U32();
  }
  return info;
}

UserInfo ParseUserInfo(const DlpResponse& answer) {
  WireReader in = Argument(answer, dlp::kFirstArgId);
  UserInfo info;
  info.user_id = in.U32();
  info.viewer_id = in.U32();
  info.last_sync_pc = in.U32();
  info.last_good_sync = ReadDlpTime(in);
  info.last_sync = ReadDlpTime(in);
  const uint8_t name_size = in.U8();  // with its zero
  const uint8_t password_size = in.U8();
  info.user_name = in.Text(name_size);
  info.password = in.Copy(password_size);
  return info;
}

DlpTime ParseSysDateTime(const DlpResponse& answer) {
  WireReader in = Argument(answer, dlp::kFirstArgId);
  return ReadDlpTime(in);
}

StorageInfo ParseStorageInfo(const DlpResponse& answer) {
  WireReader in = Argument(answer, dlp::kFirstArgId);
  StorageInfo info;
  info.last_card = in.U8();
  info.more = in.U8() != 0;
  in.Skip(1);
  const uint8_t count = in.U8();
  for (unsigned i = 0; i < count; ++i) {
    WireReader entry = SizedEntry(in, kCardInfoFixed, "card entry");
    CardInfo card;
    card.card = entry.U8();
    card.version = entry.U16();
    card.created = ReadDlpTime(entry);
    card.rom_size = entry.U32();
    card.ram_size = entry.U32();
    card.free_ram = entry.U32();
    const uint8_t name_size = entry.U8();
    const uint8_t manufacturer_size = entry.U8();
    card.name = entry.Text(name_size);
    card.manufacturer = entry.Text(manufacturer_size);
    info.cards.push_back(std::move(card));
  }
  if (answer.Find(kSecondArgId) != nullptr) {
    WireReader more = Argument(answer, kSecondArgId);
    info.rom_databases = more.U16();
    info.ram_databases = more.U16();
  }
  return info;
}

NetSyncInfo ParseNetSyncInfo(const DlpResponse& answer) {
  WireReader in = Argument(answer, dlp::kFirstArgId);
  NetSyncInfo info;
  info.lan_sync = in.U8() != 0;
  in.Skip(17);  // a pad byte and four reserved longs
  const uint16_t name_size = in.U16();
  const uint16_t address_size = in.U16();
  const uint16_t mask_size = in.U16();
  info.host_name = in.Text(name_size);
  info.host_address = in.Text(address_size);
  info.subnet_mask = in.Text(mask_size);
  return info;
}

DbListPage ParseDbList(const DlpResponse& answer) {
  WireReader in = Argument(answer, dlp::kFirstArgId);
  DbListPage page;
  page.last_index = in.U16();
  page.more = (in.U8() & dlp::kListMore) != 0;
  const uint8_t count = in.U8();
  for (unsigned i = 0; i < count; ++i) page.databases.push_back(ReadDbInfo(in));
  return page;
}

FoundDb ParseFoundDb(const DlpResponse& answer) {
  WireReader in = Argument(answer, dlp::kFirstArgId);
  FoundDb found;
  found.card = in.U8();
  in.Skip(1);
  found.local_id = in.U32();
  found.open_ref = in.U32();
  found.info = ReadDbInfo(in);
  WireReader sizes = Argument(answer, kSecondArgId);
  found.record_count = sizes.U32();
  found.total_bytes = sizes.U32();
  found.data_bytes = sizes.U32();
  found.app_block_size = sizes.U32();
  found.sort_block_size = sizes.U32();
  // Sent only when asked for, which some handhelds do regardless.
  if (sizes.left() >= 4) found.max_record_size = sizes.U32();
  return found;
}

uint8_t ParseDbHandle(const DlpResponse& answer) {
  return Argument(answer, dlp::kFirstArgId).U8();
}

uint16_t ParseRecordCount(const DlpResponse& answer) {
  return Argument(answer, dlp::kFirstArgId).U16();
}

Bytes ParseBlock(const DlpResponse& answer) {
  WireReader in = Argument(answer, dlp::kFirstArgId);
  const uint16_t size = in.U16();
  return WholeData(in, size, "block");
}

std::vector<uint32_t> ParseRecordIds(const DlpResponse& answer) {
  WireReader in = Argument(answer, dlp::kFirstArgId);
  const uint16_t count = in.U16();
  if (in.left() / 4 < count) in.Fail(std::to_string(count) + " record ids do not fit");
  std::vector<uint32_t> ids(count);
  for (uint32_t& id : ids) id = in.U32();
  return ids;
}

DlpRecord ParseRecord(const DlpResponse& answer) {
  WireReader in = Argument(answer, dlp::kFirstArgId);
  DlpRecord record;
  record.id = in.U32();
  record.index = in.U16();
  const uint16_t size = in.U16();
  record.attributes = in.U8();
  record.category = in.U8();
  record.data = WholeData(in, size, "record");
  return record;
}

DlpResource ParseResource(const DlpResponse& answer) {
  WireReader in = Argument(answer, dlp::kFirstArgId);
  DlpResource resource;
  resource.type = in.U32();
  resource.id = in.U16();
  resource.index = in.U16();
  const uint16_t size = in.U16();
  resource.data = WholeData(in, size, "resource");
  return resource;
}

uint32_t ParseWrittenRecordId(const DlpResponse& answer) {
  return Argument(answer, dlp::kFirstArgId).U32();
}

}  // namespace corvane::link
