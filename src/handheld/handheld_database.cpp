#include "handheld/handheld_database.h"

#include <algorithm>

#include "support/conduit_error.h"

namespace corvane {

HandheldDatabase::HandheldDatabase(std::string file_path, PdbFile file)
    : file_path_(std::move(file_path)), file_(std::move(file)) {
  IndexIds();
}

HandheldDatabase HandheldDatabase::Load(const std::string& file_path) {
  return HandheldDatabase(file_path, ReadPdbFile(file_path));
}

void HandheldDatabase::IndexIds() {
  ids_in_use_.clear();
  for (const PdbRecord& r : file_.records) ids_in_use_.insert(r.unique_id);
}

size_t HandheldDatabase::LiveRecordCount() const {
  return static_cast<size_t>(std::count_if(file_.records.begin(), file_.records.end(),
                                           [](const PdbRecord& r) { return !r.deleted(); }));
}

uint32_t HandheldDatabase::AddRecord(uint32_t unique_id, uint8_t attributes, Bytes data) {
  if (file_.records.size() >= pdb::kMaxRecords) {
    throw ConduitError(err::kBadArgument, "Database " + name() + " is full (65535 records)");
  }
  if (unique_id > pdb::kMaxUniqueId) {
    throw ConduitError(err::kBadArgument,
                       "Record id " + std::to_string(unique_id) + " does not fit in 24 bits");
  }
  if (unique_id == 0) {
    // The seed is the next id to hand out; ids in use are skipped so that a
    // seed left behind by another writer cannot produce a duplicate.
    uint32_t candidate = file_.header.unique_id_seed & pdb::kMaxUniqueId;
    while (candidate == 0 || ids_in_use_.count(candidate) != 0) {
      candidate = candidate >= pdb::kMaxUniqueId ? 1 : candidate + 1;
    }
    unique_id = candidate;
    // Ids are 24 bits; whatever the seed's top byte holds is kept as found.
    const uint32_t next = candidate >= pdb::kMaxUniqueId ? 1 : candidate + 1;
    file_.header.unique_id_seed = (file_.header.unique_id_seed & ~pdb::kMaxUniqueId) | next;
  } else if (ids_in_use_.count(unique_id) != 0) {
    throw ConduitError(err::kBadArgument,
                       "Record id " + std::to_string(unique_id) + " is already in use");
  }
  file_.records.push_back(PdbRecord{attributes, unique_id, std::move(data)});
  ids_in_use_.insert(unique_id);
  dirty_ = true;
  return unique_id;
}

void HandheldDatabase::ClearRecords() {
  if (!file_.records.empty()) dirty_ = true;
  file_.records.clear();
  ids_in_use_.clear();
}

void HandheldDatabase::Replace(HandheldDatabase&& fresh) {
  file_path_ = std::move(fresh.file_path_);
  file_ = std::move(fresh.file_);
  ids_in_use_ = std::move(fresh.ids_in_use_);
  dirty_ = false;
}

PdbHeader HandheldDatabase::PrepareWrite(uint32_t palm_now) const {
  PdbHeader out = file_.header;
  out.modification_date = palm_now;
  out.modification_number = file_.header.modification_number + 1;
  return out;
}

void HandheldDatabase::MarkWritten(const PdbHeader& written) {
  file_.header = written;
  dirty_ = false;
}

}  // namespace corvane
