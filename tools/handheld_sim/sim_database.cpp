#include "handheld_sim/sim_database.h"

#include <algorithm>

namespace corvane::handheld_sim {

std::optional<size_t> SimDatabase::IndexOf(uint32_t unique_id) const {
  const auto& records = file.records;
  const auto found = std::find_if(records.begin(), records.end(),
                                  [&](const PdbRecord& r) { return r.unique_id == unique_id; });
  if (found == records.end()) return std::nullopt;
  return static_cast<size_t>(found - records.begin());
}

std::unordered_set<uint32_t>& SimDatabase::Ids() {
  if (!ids_) {
    ids_.emplace();
    for (const PdbRecord& r : file.records) ids_->insert(r.unique_id);
  }
  return *ids_;
}

uint32_t SimDatabase::NewUniqueId() {
  uint32_t id = file.header.unique_id_seed & pdb::kMaxUniqueId;
  // The seed may point at an id a desktop wrote itself; such ids are passed.
  while (id == 0 || Ids().count(id) != 0) id = (id + 1) & pdb::kMaxUniqueId;
  file.header.unique_id_seed = (id + 1) & pdb::kMaxUniqueId;
  return id;
}

uint32_t SimDatabase::Write(uint32_t unique_id, uint8_t attributes, Bytes data) {
  if (unique_id == 0) {
    unique_id = NewUniqueId();
  } else if (const auto index = IndexOf(unique_id)) {
    file.records.erase(file.records.begin() + static_cast<std::ptrdiff_t>(*index));
  }
  file.records.push_back(PdbRecord{attributes, unique_id, std::move(data)});
  Ids().insert(unique_id);
  changed = true;
  return unique_id;
}

bool SimDatabase::Remove(uint32_t unique_id) {
  const auto index = IndexOf(unique_id);
  if (!index) return false;
  file.records.erase(file.records.begin() + static_cast<std::ptrdiff_t>(*index));
  // A file may hold an id twice; it stays in use while a record has it.
  if (!IndexOf(unique_id)) Ids().erase(unique_id);
  changed = true;
  return true;
}

size_t SimDatabase::RemoveIf(const std::function<bool(const PdbRecord&)>& remove) {
  const size_t removed = std::erase_if(file.records, remove);
  if (removed > 0) {
    ids_.reset();
    changed = true;
  }
  return removed;
}

size_t SimDatabase::DataBytes() const {
  size_t bytes = 0;
  for (const PdbRecord& r : file.records) bytes += r.data.size();
  return bytes;
}

size_t SimDatabase::LargestRecord() const {
  size_t largest = 0;
  for (const PdbRecord& r : file.records) largest = std::max(largest, r.data.size());
  return largest;
}

size_t SimDatabase::ContentBytes() const {
  return DataBytes() + (file.app_info ? file.app_info->size() : 0) +
         (file.sort_info ? file.sort_info->size() : 0);
}

size_t SimDatabase::StoredBytes() const {
  return pdb::kHeaderSize + pdb::kEntrySize * file.records.size() + ContentBytes();
}

}  // namespace corvane::handheld_sim
