#include "handheld_sim/database_commands.h"

#include <algorithm>

#include "handheld_sim/palm_time.h"
#include "link/wire_bytes.h"

namespace corvane::handheld_sim {
namespace {

namespace dlp = link::dlp;
using link::WireReader;
using link::WireWriter;

// Recorded handhelds never list more than this many databases in one answer.
constexpr size_t kListPage = 20;
constexpr uint8_t kMiscRamBased = 0x40;

constexpr uint16_t kDbBackup = 0x0008;
constexpr uint16_t kDbOpen = 0x8000;

constexpr uint8_t kFindByName = dlp::kFirstArgId;
constexpr uint8_t kFindByHandle = dlp::kFirstArgId + 1;
constexpr uint8_t kFindByTypeCreator = dlp::kFirstArgId + 2;
constexpr uint8_t kCloseAll = dlp::kFirstArgId + 1;

uint32_t FourCharCode(const std::string& code) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) {
    value = value << 8 | static_cast<uint8_t>(i < code.size() ? code[i] : 0);
  }
  return value;
}

std::string FourCharText(uint32_t code) {
  return std::string{static_cast<char>(code >> 24), static_cast<char>(code >> 16),
                     static_cast<char>(code >> 8), static_cast<char>(code)};
}

Reply NoDatabase(const std::string& name) {
  return Refused(dlp::kErrNotFound, "no database " + name);
}

Reply NoCard(uint8_t card) {
  return Refused(dlp::kErrNotFound, "no card " + std::to_string(card));
}

std::optional<Bytes>& Block(PdbFile& file, uint8_t command) {
  const bool app = command == dlp::kReadAppBlock || command == dlp::kWriteAppBlock;
  return app ? file.app_info : file.sort_info;
}

size_t BlockSize(const std::optional<Bytes>& block) {
  return block ? block->size() : 0;
}

}  // namespace

Bytes DatabaseCommands::DbInfoEntry(const SimDatabase& db) const {
  const PdbHeader& h = db.file.header;
  const std::string name = db.name();
  const uint16_t attributes = handles_.IsOpen(db) ? h.attributes | kDbOpen : h.attributes;
  WireWriter out;
  // Its size first, counting itself, and even: the name is padded to make it so.
  const size_t size = (44 + name.size() + 1 + 1) & ~size_t{1};
  out.U8(static_cast<uint8_t>(size)).U8(kMiscRamBased).U16(attributes);
  out.U32(FourCharCode(h.type)).U32(FourCharCode(h.creator)).U16(h.version);
  out.U32(h.modification_number);
  link::AppendDlpTime(out, DlpTimeOf(h.creation_date));
  link::AppendDlpTime(out, DlpTimeOf(h.modification_date));
  link::AppendDlpTime(out, DlpTimeOf(h.backup_date));
  out.U16(static_cast<uint16_t>(databases_.IndexOf(db))).TextZ(name);
  if (out.bytes().size() < size) out.U8(0);
  return out.Take();
}

Reply DatabaseCommands::ReadDBList(const link::DlpRequest& request) {
  WireReader in = OnlyArgument(request);
  const uint8_t flags = in.U8();
  const uint8_t card = in.U8();
  const uint16_t start = in.U16();
  ExpectEnd(in);
  if ((flags & ~(dlp::kListRam | dlp::kListRom | dlp::kListMultiple)) != 0 ||
      (flags & (dlp::kListRam | dlp::kListRom)) == 0) {
    return Fault(dlp::kErrParam, "list flags " + HexByte(flags));
  }
  if (card != 0) return NoCard(card);
  // Every database of this handheld is in RAM; its ROM holds none.
  const size_t count = (flags & dlp::kListRam) != 0 ? databases_.size() : 0;
  if (start >= count) {
    return Refused(dlp::kErrNotFound, "no database from index " + std::to_string(start));
  }
  const size_t end = std::min(count, start + ((flags & dlp::kListMultiple) != 0 ? kListPage : 1));
  WireWriter out;
  out.U16(static_cast<uint16_t>(end - 1)).U8(end < count ? dlp::kListMore : 0);
  out.U8(static_cast<uint8_t>(end - start));
  for (size_t i = start; i < end; ++i) out.Append(DbInfoEntry(databases_.at(i)));
  return Ok(out.Take());
}

Reply DatabaseCommands::OpenDB(const link::DlpRequest& request) {
  WireReader in = OnlyArgument(request);
  const uint8_t card = in.U8();
  const uint8_t mode = in.U8();
  const std::string name = ZeroEndedText(in, pdb::kNameSize, "the database name");
  if ((mode & ~(dlp::kOpenRead | dlp::kOpenWrite | dlp::kOpenExclusive | dlp::kOpenSecret)) != 0 ||
      (mode & (dlp::kOpenRead | dlp::kOpenWrite)) == 0) {
    return Fault(dlp::kErrParam, "open mode " + HexByte(mode));
  }
  if (card != 0) return NoCard(card);
  SimDatabase* db = databases_.Find(name);
  if (!db) return NoDatabase(name);
  const bool writable = (mode & dlp::kOpenWrite) != 0;
  if (handles_.IsOpenForWriting(*db) || (writable && handles_.IsOpen(*db))) {
    return Fault(dlp::kErrDatabaseOpen, name + " is open already");
  }
  const auto handle = handles_.Open(*db, writable);
  if (!handle) return Refused(dlp::kErrTooManyOpen, "every handle of the session is used");
  if (writable) {
    // Opening for writing is what marks a database modified on a handheld.
    ++db->file.header.modification_number;
    db->file.header.modification_date = PalmNow(clock_);
    db->changed = true;
  }
  return Ok({*handle});
}

Reply DatabaseCommands::CreateDB(const link::DlpRequest& request) {
  WireReader in = OnlyArgument(request);
  const uint32_t creator = in.U32();
  const uint32_t type = in.U32();
  const uint8_t card = in.U8();
  in.Skip(1);
  const uint16_t attributes = in.U16();
  const uint16_t version = in.U16();
  const std::string name = ZeroEndedText(in, pdb::kNameSize, "the database name");
  if (name.empty()) return Fault(dlp::kErrParam, "a database without a name");
  if (card != 0) return Fault(dlp::kErrParam, "no card " + std::to_string(card));
  if ((attributes & pdb::kResourceDatabase) != 0) {
    return Refused(dlp::kErrNotSupported, "this handheld keeps record databases only");
  }
  if (databases_.Find(name)) return Fault(dlp::kErrAlreadyExists, name + " exists already");
  if (!handles_.CanOpen()) return Refused(dlp::kErrTooManyOpen, "every handle is used");
  PdbFile file;
  file.header.SetName(name);
  // A handheld marks every database it creates for backup.
  file.header.attributes = static_cast<uint16_t>((attributes | kDbBackup) & ~kDbOpen);
  file.header.version = version;
  file.header.type = FourCharText(type);
  file.header.creator = FourCharText(creator);
  file.header.creation_date = file.header.modification_date = PalmNow(clock_);
  file.header.unique_id_seed = 1;
  return Ok({*handles_.Open(databases_.Add(std::move(file)), true)});
}

Reply DatabaseCommands::CloseDB(const link::DlpRequest& request) {
  if (request.arguments.size() == 1 && request.arguments[0].id == kCloseAll) {
    ExpectEnd(ReaderOf(request, request.arguments[0]));
    handles_.CloseAll();
    return Ok();
  }
  WireReader in = OnlyArgument(request);
  const uint8_t handle = in.U8();
  ExpectEnd(in);
  if (!handles_.Find(handle)) return handles_.NotOpen(handle);
  handles_.Close(handle);
  return Ok();
}

Reply DatabaseCommands::DeleteDB(const link::DlpRequest& request) {
  WireReader in = OnlyArgument(request);
  const uint8_t card = in.U8();
  in.Skip(1);
  const std::string name = ZeroEndedText(in, pdb::kNameSize, "the database name");
  if (card != 0) return NoCard(card);
  SimDatabase* db = databases_.Find(name);
  if (!db) return NoDatabase(name);
  if (handles_.IsOpen(*db)) return Fault(dlp::kErrDatabaseOpen, name + " is open");
  databases_.Remove(*db);
  return Ok();
}

Reply DatabaseCommands::FindDB(const link::DlpRequest& request) {
  if (request.arguments.size() != 1) OnlyArgument(request);  // raises
  const uint8_t form = request.arguments[0].id;
  WireReader in = ReaderOf(request, request.arguments[0]);
  const uint8_t flags = in.U8();
  if ((flags & ~(dlp::kFindAttributes | dlp::kFindSizes | dlp::kFindMaxRecordSize)) != 0) {
    return Fault(dlp::kErrParam, "find flags " + HexByte(flags));
  }
  const SimDatabase* db = nullptr;
  if (form == kFindByName) {
    const uint8_t card = in.U8();
    const std::string name = ZeroEndedText(in, pdb::kNameSize, "the database name");
    if (card != 0) return NoCard(card);
    db = databases_.Find(name);
    if (!db) return NoDatabase(name);
  } else if (form == kFindByHandle) {
    const uint8_t handle = in.U8();
    ExpectEnd(in);
    const OpenDatabase* open = handles_.Find(handle);
    if (!open) return handles_.NotOpen(handle);
    db = open->db;
  } else if (form == kFindByTypeCreator) {
    return Refused(dlp::kErrNotSupported, "a search by type and creator");
  } else {
    return Fault(dlp::kErrParam, "argument " + HexByte(form));
  }
  Reply reply;
  if ((flags & dlp::kFindAttributes) != 0) {
    WireWriter out;
    out.U8(0).U8(0).U32(db->local_id).U32(handles_.HandleOf(*db)).Append(DbInfoEntry(*db));
    reply.arguments.push_back({dlp::kFirstArgId, out.Take()});
  }
  if ((flags & (dlp::kFindSizes | dlp::kFindMaxRecordSize)) != 0) {
    // Records, bytes in all, bytes of data, the two blocks, the largest
    // record; zero where not asked for. The blocks and the largest record
    // are told of an open database only.
    const PdbFile& f = db->file;
    const bool by_handle = form == kFindByHandle;
    const size_t data = db->ContentBytes();
    size_t fields[6] = {};
    if ((flags & dlp::kFindSizes) != 0) {
      fields[0] = f.records.size();
      fields[1] = db->StoredBytes() + f.gap.size();
      fields[2] = data;
      if (by_handle) {
        fields[3] = BlockSize(f.app_info);
        fields[4] = BlockSize(f.sort_info);
      }
    }
    if ((flags & dlp::kFindMaxRecordSize) != 0 && by_handle) fields[5] = db->LargestRecord();
    WireWriter out;
    for (size_t field : fields) out.U32(static_cast<uint32_t>(field));
    reply.arguments.push_back({dlp::kFirstArgId + 1, out.Take()});
  }
  return reply;
}

Reply DatabaseCommands::ReadOpenDBInfo(const link::DlpRequest& request) {
  WireReader in = OnlyArgument(request);
  const uint8_t handle = in.U8();
  ExpectEnd(in);
  const OpenDatabase* open = handles_.Find(handle);
  if (!open) return handles_.NotOpen(handle);
  // Records marked deleted count: they are there until the desktop cleans them up.
  return Ok(WireWriter().U16(static_cast<uint16_t>(open->db->file.records.size())).Take());
}

Reply DatabaseCommands::ReadBlock(const link::DlpRequest& request) {
  WireReader in = OnlyArgument(request);
  const uint8_t handle = in.U8();
  in.Skip(1);
  const uint16_t offset = in.U16();
  const uint16_t length = in.U16();
  ExpectEnd(in);
  OpenDatabase* open = handles_.Find(handle);
  if (!open) return handles_.NotOpen(handle);
  const std::optional<Bytes>& block = Block(open->db->file, request.command);
  if (!block || block->empty()) return Refused(dlp::kErrNotFound, open->db->name() + " has none");
  if (offset > block->size()) {
    return Fault(dlp::kErrParam, "offset " + std::to_string(offset) + " past the block's end");
  }
  const size_t n =
      std::min<size_t>(length == dlp::kToTheEnd ? block->size() : length, block->size() - offset);
  WireWriter out;
  out.U16(static_cast<uint16_t>(block->size())).Append({block->data() + offset, n});
  return Ok(out.Take());
}

Reply DatabaseCommands::WriteBlock(const link::DlpRequest& request) {
  WireReader in = OnlyArgument(request);
  const uint8_t handle = in.U8();
  in.Skip(1);
  const uint16_t size = in.U16();
  if (in.left() != size)
    in.Fail("a block of " + std::to_string(size) + " bytes carries " + std::to_string(in.left()));
  OpenDatabase* open = handles_.Find(handle);
  if (!open) return handles_.NotOpen(handle);
  if (!open->writable) return ReadOnlyHandle(handle);
  std::optional<Bytes>& block = Block(open->db->file, request.command);
  // A block of no bytes is how a desktop removes it.
  if (size == 0) {
    block.reset();
  } else {
    block = in.Copy(size);
  }
  open->db->changed = true;
  return Ok();
}

}  // namespace corvane::handheld_sim
