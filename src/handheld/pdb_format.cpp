#include "handheld/pdb_format.h"

#include <algorithm>

#include "support/conduit_error.h"
#include "support/sequential_file.h"

namespace corvane {
namespace {

uint16_t Get16(const uint8_t* p) {
  return static_cast<uint16_t>((p[0] << 8) | p[1]);
}
uint32_t Get24(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[2];
}
uint32_t Get32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

void Put16(Bytes& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}
void Put24(Bytes& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v >> 16));
  Put16(out, v);
}
void Put32(Bytes& out, uint32_t v) {
  Put16(out, v >> 16);
  Put16(out, v);
}

std::string Hex(size_t v) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  do {
    s.insert(s.begin(), digits[v & 0xF]);
    v >>= 4;
  } while (v != 0);
  return "0x" + s;
}

[[noreturn]] void Damaged(const std::string& source, const std::string& fault) {
  throw ConduitError(err::kDamagedDatabase, source + ": " + fault);
}

// Field offsets inside the header.
constexpr size_t kAttributesAt = 32;
constexpr size_t kVersionAt = 34;
constexpr size_t kCreationAt = 36;
constexpr size_t kModificationAt = 40;
constexpr size_t kBackupAt = 44;
constexpr size_t kModNumberAt = 48;
constexpr size_t kAppInfoAt = 52;
constexpr size_t kSortInfoAt = 56;
constexpr size_t kTypeAt = 60;
constexpr size_t kCreatorAt = 64;
constexpr size_t kSeedAt = 68;
constexpr size_t kNextListAt = 72;
constexpr size_t kNumRecordsAt = 76;

bool NameTerminated(const uint8_t* p) {
  return std::find(p, p + pdb::kNameSize, 0) != p + pdb::kNameSize;
}

// Checks a block offset from the header against the record list's end and
// the file's size.
void CheckBlockOffset(const std::string& source, const char* what, size_t offset, size_t list_end,
                      size_t size) {
  if (offset < list_end) {
    Damaged(source, std::string(what) + " offset " + Hex(offset) +
                        " lies inside the header or record list (which end at " + Hex(list_end) +
                        ")");
  }
  if (offset > size) {
    Damaged(source, std::string(what) + " offset " + Hex(offset) +
                        " lies past the end of the file (" + std::to_string(size) + " bytes)");
  }
}

// The header is whole and its name ends within its field.
void CheckHeaderStart(const uint8_t* data, size_t size, const std::string& source) {
  if (size < pdb::kHeaderSize) {
    Damaged(source, "file of " + std::to_string(size) + " bytes is shorter than the " +
                        std::to_string(pdb::kHeaderSize) + "-byte database header");
  }
  if (!NameTerminated(data)) {
    Damaged(source, "database name has no terminating zero within its 32 bytes");
  }
}

}  // namespace

std::string PdbHeader::Name() const {
  auto end = std::find(raw_name.begin(), raw_name.end(), 0);
  return std::string(raw_name.begin(), end);
}

void PdbHeader::SetName(const std::string& name) {
  if (name.size() >= pdb::kNameSize || name.find('\0') != std::string::npos) {
    throw ConduitError(err::kBadArgument,
                       "Database name longer than 31 bytes or holding a zero: " + name);
  }
  raw_name.fill(0);
  std::copy(name.begin(), name.end(), raw_name.begin());
}

namespace {

// A database checked from its header and record list alone: everything but
// the bytes of the blocks and records, and where each of those lies.
struct PdbPlan {
  PdbFile file;
  size_t gap_size = 0;
  bool has_app_info = false;
  bool has_sort_info = false;
  size_t app_info_size = 0;
  size_t sort_info_size = 0;
  std::vector<size_t> record_sizes;
};

// Checks a database of size bytes from data[0, min(size, end of the record
// list)) and lays it out; raises as ParsePdb does. The gap, the blocks and
// the records follow each other without a hole from the end of the record
// list to the end of the file.
PdbPlan PlanPdb(const uint8_t* data, size_t size, const std::string& source) {
  CheckHeaderStart(data, size, source);
  PdbPlan plan;
  PdbFile& file = plan.file;
  PdbHeader& h = file.header;
  std::copy(data, data + pdb::kNameSize, h.raw_name.begin());
  h.attributes = Get16(data + kAttributesAt);
  if (h.attributes & pdb::kResourceDatabase) {
    Damaged(source, "resource database (attribute 0x0001), not a record database");
  }
  h.version = Get16(data + kVersionAt);
  h.creation_date = Get32(data + kCreationAt);
  h.modification_date = Get32(data + kModificationAt);
  h.backup_date = Get32(data + kBackupAt);
  h.modification_number = Get32(data + kModNumberAt);
  const size_t app_info_offset = Get32(data + kAppInfoAt);
  const size_t sort_info_offset = Get32(data + kSortInfoAt);
  h.type.assign(reinterpret_cast<const char*>(data + kTypeAt), 4);
  h.creator.assign(reinterpret_cast<const char*>(data + kCreatorAt), 4);
  h.unique_id_seed = Get32(data + kSeedAt);
  const uint32_t next_list = Get32(data + kNextListAt);
  if (next_list != 0) {
    Damaged(source,
            "chained record list (next record list id " + Hex(next_list) + ") is not supported");
  }
  const size_t count = Get16(data + kNumRecordsAt);
  // count is at most 0xFFFF, so this cannot overflow.
  const size_t list_end = pdb::kHeaderSize + count * pdb::kEntrySize;
  if (list_end > size) {
    Damaged(source, "record list of " + std::to_string(count) +
                        " entries runs past the end of the file (" + std::to_string(size) +
                        " bytes)");
  }

  // Record entries: offsets must lie after the list, within the file, in order.
  std::vector<size_t> offsets(count);
  file.records.resize(count);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* e = data + pdb::kHeaderSize + i * pdb::kEntrySize;
    const size_t offset = Get32(e);
    const std::string what = "record " + std::to_string(i);
    CheckBlockOffset(source, what.c_str(), offset, list_end, size);
    if (i > 0 && offset < offsets[i - 1]) {
      Damaged(source, what + " offset " + Hex(offset) + " is below record " +
                          std::to_string(i - 1) + "'s offset " + Hex(offsets[i - 1]));
    }
    offsets[i] = offset;
    file.records[i].attributes = e[4];
    file.records[i].unique_id = Get24(e + 5);
  }
  const size_t data_start = count > 0 ? offsets[0] : size;

  // The app-info block comes first, then the sort-info block, then the records.
  size_t first_block = data_start;
  if (sort_info_offset != 0) {
    CheckBlockOffset(source, "sort-info block", sort_info_offset, list_end, size);
    if (sort_info_offset > data_start) {
      Damaged(source, "sort-info block at " + Hex(sort_info_offset) +
                          " is out of place: it lies after the first record at " + Hex(data_start));
    }
    first_block = sort_info_offset;
  }
  if (app_info_offset != 0) {
    CheckBlockOffset(source, "app-info block", app_info_offset, list_end, size);
    if (app_info_offset > data_start) {
      Damaged(source, "app-info block at " + Hex(app_info_offset) +
                          " is out of place: it lies after the first record at " + Hex(data_start));
    }
    if (sort_info_offset != 0 && app_info_offset >= sort_info_offset) {
      Damaged(source, "app-info block at " + Hex(app_info_offset) +
                          " is out of place: it does not come before the sort-info block at " +
                          Hex(sort_info_offset));
    }
    first_block = app_info_offset;
  }

  plan.gap_size = first_block - list_end;
  if (app_info_offset != 0) {
    const size_t end = sort_info_offset != 0 ? sort_info_offset : data_start;
    plan.has_app_info = true;
    plan.app_info_size = end - app_info_offset;
  }
  if (sort_info_offset != 0) {
    plan.has_sort_info = true;
    plan.sort_info_size = data_start - sort_info_offset;
  }
  plan.record_sizes.resize(count);
  for (size_t i = 0; i < count; ++i) {
    const size_t end = i + 1 < count ? offsets[i + 1] : size;
    plan.record_sizes[i] = end - offsets[i];
  }
  return plan;
}

// Fills the plan's file with the bytes that follow the record list, taken in
// file order by take(n, bytes), which appends n bytes to bytes.
template <typename Take>
PdbFile FillPdb(PdbPlan&& plan, Take&& take) {
  PdbFile& file = plan.file;
  file.gap.clear();
  take(plan.gap_size, file.gap);
  if (plan.has_app_info) take(plan.app_info_size, file.app_info.emplace());
  if (plan.has_sort_info) take(plan.sort_info_size, file.sort_info.emplace());
  for (size_t i = 0; i < file.records.size(); ++i) take(plan.record_sizes[i], file.records[i].data);
  return std::move(file);
}

}  // namespace

PdbFile ParsePdb(const uint8_t* data, size_t size, const std::string& source) {
  PdbPlan plan = PlanPdb(data, size, source);
  const uint8_t* next = data + pdb::kHeaderSize + plan.file.records.size() * pdb::kEntrySize;
  return FillPdb(std::move(plan), [&next](size_t n, Bytes& out) {
    out.insert(out.end(), next, next + n);
    next += n;
  });
}

void WritePdb(const PdbHeader& h, const PdbFile& file, ByteSink& sink) {
  if (file.records.size() > pdb::kMaxRecords) {
    throw ConduitError(err::kBadArgument, "A database holds at most 65535 records, not " +
                                              std::to_string(file.records.size()));
  }
  if (h.type.size() != 4 || h.creator.size() != 4) {
    throw ConduitError(err::kBadArgument, "Database type and creator must be 4 bytes each");
  }
  size_t total = pdb::kHeaderSize + file.records.size() * pdb::kEntrySize + file.gap.size();
  const size_t app_info_offset = file.app_info ? total : 0;
  if (file.app_info) total += file.app_info->size();
  const size_t sort_info_offset = file.sort_info ? total : 0;
  if (file.sort_info) total += file.sort_info->size();
  const size_t data_start = total;
  for (const PdbRecord& r : file.records) total += r.data.size();
  if (total > 0xFFFFFFFFu) {
    throw ConduitError(err::kBadArgument, "Database larger than 4 GB");
  }

  // The header and the record list are small; the blocks and the records go
  // to the sink from where they are held.
  Bytes out;
  out.reserve(pdb::kHeaderSize + file.records.size() * pdb::kEntrySize);
  out.insert(out.end(), h.raw_name.begin(), h.raw_name.end());
  Put16(out, h.attributes);
  Put16(out, h.version);
  Put32(out, h.creation_date);
  Put32(out, h.modification_date);
  Put32(out, h.backup_date);
  Put32(out, h.modification_number);
  Put32(out, static_cast<uint32_t>(app_info_offset));
  Put32(out, static_cast<uint32_t>(sort_info_offset));
  out.insert(out.end(), h.type.begin(), h.type.end());
  out.insert(out.end(), h.creator.begin(), h.creator.end());
  Put32(out, h.unique_id_seed);
  Put32(out, 0);  // next record list
  Put16(out, static_cast<uint32_t>(file.records.size()));
  size_t offset = data_start;
  for (const PdbRecord& r : file.records) {
    Put32(out, static_cast<uint32_t>(offset));
    out.push_back(r.attributes);
    Put24(out, r.unique_id & pdb::kMaxUniqueId);
    offset += r.data.size();
  }
  sink.Write(out);
  sink.Write(file.gap);
  if (file.app_info) sink.Write(*file.app_info);
  if (file.sort_info) sink.Write(*file.sort_info);
  for (const PdbRecord& r : file.records) sink.Write(r.data);
}

Bytes SerializePdb(const PdbFile& file) {
  Bytes out;
  VectorSink sink(out);
  WritePdb(file.header, file, sink);
  return out;
}

PdbFile ReadPdbFile(const std::string& path) {
  // The header and the record list first, then every piece straight into
  // its place: the file's bytes are never held twice.
  SequentialFile in(path);
  const size_t size = in.size();
  Bytes head;
  in.Take(std::min(size, pdb::kHeaderSize), head);
  if (head.size() == pdb::kHeaderSize) {
    const size_t list_end = pdb::kHeaderSize + Get16(head.data() + kNumRecordsAt) * pdb::kEntrySize;
    in.Take(std::min(size, list_end) - head.size(), head);
  }
  return FillPdb(PlanPdb(head.data(), size, path),
                 [&in](size_t n, Bytes& out) { in.Take(n, out); });
}

std::string ReadPdbHeaderName(const std::string& path) {
  SequentialFile in(path);
  Bytes bytes;
  in.Take(std::min(in.size(), pdb::kHeaderSize), bytes);
  CheckHeaderStart(bytes.data(), bytes.size(), path);
  return std::string(reinterpret_cast<const char*>(bytes.data()));
}

std::optional<std::string> ReadPdbName(const std::string& path) {
  try {
    return ReadPdbHeaderName(path);
  } catch (const ConduitError&) {
    return std::nullopt;
  }
}

uint32_t PalmTime(int64_t unix_seconds) {
  return static_cast<uint32_t>(static_cast<uint64_t>(unix_seconds) + pdb::kEpochOffset);
}

uint32_t PalmNow(const Clock& clock) {
  return PalmTime(clock.UnixSeconds());
}

}  // namespace corvane
