#include "handheld_sim/record_commands.h"

#include <algorithm>

#include "link/wire_bytes.h"

namespace corvane::handheld_sim {
namespace {

namespace dlp = link::dlp;
using link::WireReader;
using link::WireWriter;

constexpr uint8_t kById = dlp::kFirstArgId;
constexpr uint8_t kByIndex = dlp::kFirstArgId + 1;
constexpr uint8_t kResourceByIndex = dlp::kFirstArgId;
constexpr uint8_t kResourceByType = dlp::kFirstArgId + 1;
constexpr uint8_t kSortFirst = 0x80;
// What a desktop may set: deleted, dirty, secret and archived. Busy is the
// handheld's own; archived has no room in a stored record beside its
// category and is not kept.
constexpr uint8_t kWritableAttributes =
    pdb::kRecordDeleted | pdb::kRecordDirty | pdb::kRecordSecret | dlp::kRecordArchived;
constexpr uint8_t kFlagBits = 0xF0;
// Busy marks a record an application holds at the moment: one at rest in a
// file is a leftover, and never reported.
constexpr uint8_t kReportedBits = kFlagBits & ~pdb::kRecordBusy;
// Keeps every answer under 64 KiB, as a link without long PADP sizes needs.
constexpr size_t kMaxIdsPerAnswer = 0x3FFF;

}  // namespace

SimDatabase* RecordCommands::Writable(uint8_t handle, Reply& refusal) {
  OpenDatabase* open = handles_.Find(handle);
  if (!open) {
    refusal = handles_.NotOpen(handle);
    return nullptr;
  }
  if (!open->writable) {
    refusal = ReadOnlyHandle(handle);
    return nullptr;
  }
  return open->db;
}

Reply RecordCommands::ReadRecord(const link::DlpRequest& request) {
  if (request.arguments.size() != 1) OnlyArgument(request);  // raises
  const uint8_t form = request.arguments[0].id;
  if (form != kById && form != kByIndex) return Fault(dlp::kErrParam, "argument " + HexByte(form));
  WireReader in = ReaderOf(request, request.arguments[0]);
  const uint8_t handle = in.U8();
  in.Skip(1);
  const uint32_t key = form == kById ? in.U32() : in.U16();
  const uint16_t offset = in.U16();
  const uint16_t length = in.U16();
  ExpectEnd(in);
  const OpenDatabase* open = handles_.Find(handle);
  if (!open) return handles_.NotOpen(handle);
  const std::vector<PdbRecord>& records = open->db->file.records;
  const std::optional<size_t> index =
      form == kById ? open->db->IndexOf(key)
                    : (key < records.size() ? std::optional<size_t>(key) : std::nullopt);
  if (!index) {
    return Refused(
        dlp::kErrNotFound,
        std::string(form == kById ? "no record id " : "no record at ") + std::to_string(key));
  }
  // A record marked deleted is read like any other: its attributes say what it is.
  const PdbRecord& r = records[*index];
  if (offset > r.data.size()) {
    return Fault(dlp::kErrParam, "offset " + std::to_string(offset) + " past the record's end");
  }
  const size_t n =
      std::min<size_t>(length == dlp::kToTheEnd ? r.data.size() : length, r.data.size() - offset);
  WireWriter out;
  out.U32(r.unique_id).U16(static_cast<uint16_t>(*index)).U16(static_cast<uint16_t>(r.data.size()));
  out.U8(r.attributes & kReportedBits).U8(r.category()).Append({r.data.data() + offset, n});
  return Ok(out.Take());
}

Reply RecordCommands::ReadRecordIDList(const link::DlpRequest& request) {
  WireReader in = OnlyArgument(request);
  const uint8_t handle = in.U8();
  const uint8_t flags = in.U8();
  const uint16_t start = in.U16();
  const uint16_t max_count = in.U16();
  ExpectEnd(in);
  const OpenDatabase* open = handles_.Find(handle);
  if (!open) return handles_.NotOpen(handle);
  if ((flags & ~kSortFirst) != 0) return Fault(dlp::kErrParam, "id list flags " + HexByte(flags));
  const std::vector<PdbRecord>& records = open->db->file.records;
  if (start >= records.size()) {
    return Refused(dlp::kErrNotFound, "no record at " + std::to_string(start));
  }
  const size_t n = std::min({size_t{max_count}, records.size() - start, kMaxIdsPerAnswer});
  WireWriter out;
  out.U16(static_cast<uint16_t>(n));
  for (size_t i = start; i < start + n; ++i) out.U32(records[i].unique_id);
  return Ok(out.Take());
}

Reply RecordCommands::WriteRecord(const link::DlpRequest& request) {
  WireReader in = OnlyArgument(request);
  const uint8_t handle = in.U8();
  const uint8_t flags = in.U8();
  const uint32_t id = in.U32();
  const uint8_t attributes = in.U8();
  const uint8_t category = in.U8();
  const std::span<const uint8_t> data = in.Rest();
  Reply refusal;
  SimDatabase* db = Writable(handle, refusal);
  if (!db) return refusal;
  if (flags != dlp::kRecordDataIncluded)
    return Fault(dlp::kErrParam, "write flags " + HexByte(flags));
  if ((attributes & ~kWritableAttributes) != 0) {
    return Fault(dlp::kErrParam, "record attributes " + HexByte(attributes));
  }
  if (category > pdb::kCategoryMask) {
    return Fault(dlp::kErrParam, "category " + std::to_string(category));
  }
  if (id > pdb::kMaxUniqueId) return Fault(dlp::kErrParam, "record id " + std::to_string(id));
  if (data.size() > kMaxRecordSize) {
    return Fault(dlp::kErrNotEnoughSpace, "a record of " + std::to_string(data.size()) + " bytes");
  }
  if ((id == 0 || !db->IndexOf(id)) && db->file.records.size() >= pdb::kMaxRecords) {
    return Refused(dlp::kErrNotEnoughSpace, db->name() + " holds all the records it can");
  }
  const uint8_t stored = static_cast<uint8_t>((attributes & kFlagBits) | category);
  const uint32_t written = db->Write(id, stored, Bytes(data.begin(), data.end()));
  return Ok(WireWriter().U32(written).Take());
}

Reply RecordCommands::DeleteRecord(const link::DlpRequest& request) {
  WireReader in = OnlyArgument(request);
  const uint8_t handle = in.U8();
  const uint8_t flags = in.U8();
  const uint32_t id = in.U32();
  ExpectEnd(in);
  Reply refusal;
  SimDatabase* db = Writable(handle, refusal);
  if (!db) return refusal;
  if (flags == dlp::kDeleteAll) {
    db->RemoveIf([](const PdbRecord&) { return true; });
    db->changed = true;
    return Ok();
  }
  if (flags == dlp::kDeleteCategory) {
    if (id > pdb::kCategoryMask) return Fault(dlp::kErrParam, "category " + std::to_string(id));
    db->RemoveIf([&](const PdbRecord& r) { return r.category() == id; });
    return Ok();
  }
  if (flags != 0) return Fault(dlp::kErrParam, "delete flags " + HexByte(flags));
  if (!db->Remove(id)) return Refused(dlp::kErrNotFound, "no record id " + std::to_string(id));
  return Ok();
}

// A request whose only argument is the handle of a database open for
// writing: the database, or nothing with the refusal set.
SimDatabase* RecordCommands::WritableOnly(const link::DlpRequest& request, Reply& refusal) {
  WireReader in = OnlyArgument(request);
  const uint8_t handle = in.U8();
  ExpectEnd(in);
  return Writable(handle, refusal);
}

Reply RecordCommands::CleanUpDatabase(const link::DlpRequest& request) {
  Reply refusal;
  SimDatabase* db = WritableOnly(request, refusal);
  if (!db) return refusal;
  db->RemoveIf([](const PdbRecord& r) { return r.deleted(); });
  return Ok();
}

Reply RecordCommands::ResetSyncFlags(const link::DlpRequest& request) {
  Reply refusal;
  SimDatabase* db = WritableOnly(request, refusal);
  if (!db) return refusal;
  for (PdbRecord& r : db->file.records) r.attributes &= static_cast<uint8_t>(~pdb::kRecordDirty);
  db->changed = true;
  return Ok();
}

Reply RecordCommands::ReadResource(const link::DlpRequest& request) {
  if (request.arguments.size() != 1) OnlyArgument(request);  // raises
  const uint8_t form = request.arguments[0].id;
  if (form != kResourceByIndex && form != kResourceByType) {
    return Fault(dlp::kErrParam, "argument " + HexByte(form));
  }
  WireReader in = ReaderOf(request, request.arguments[0]);
  const uint8_t handle = in.U8();
  // A pad, the index or the type and id, then the offset and the length.
  in.Skip(form == kResourceByIndex ? 1 + 2 + 4 : 1 + 4 + 2 + 4);
  ExpectEnd(in);
  const OpenDatabase* open = handles_.Find(handle);
  if (!open) return handles_.NotOpen(handle);
  return Fault(dlp::kErrNotSupported, open->db->name() + " is a record database");
}

}  // namespace corvane::handheld_sim
