#include "handheld/live_database.h"

#include <algorithm>

#include "handheld/live_handheld.h"
#include "link/dlp_client.h"
#include "support/conduit_error.h"

namespace corvane {
namespace {

// A record's attributes byte as a database file keeps it: the flags in the
// high bits, the category in the low ones; DLP carries the two apart.
PdbRecord FromDlp(const link::DlpRecord& r) {
  return PdbRecord{static_cast<uint8_t>((r.attributes & 0xF0) | (r.category & pdb::kCategoryMask)),
                   r.id, r.data};
}

bool SameRecords(const std::vector<std::optional<PdbRecord>>& on_handheld,
                 const std::vector<PdbRecord>& changed) {
  return on_handheld.size() == changed.size() &&
         std::equal(changed.begin(), changed.end(), on_handheld.begin(),
                    [](const PdbRecord& a, const std::optional<PdbRecord>& b) {
                      return b && a.attributes == b->attributes && a.data == b->data;
                    });
}

}  // namespace

LiveDatabase::LiveDatabase(LiveHandheld& handheld, link::DlpClient& dlp, std::string name,
                           uint8_t handle, size_t count)
    : handheld_(handheld),
      dlp_(dlp),
      name_(std::move(name)),
      handle_(handle),
      on_handheld_(count) {}

size_t LiveDatabase::size() const {
  return changed_ ? changed_->size() : on_handheld_.size();
}

const PdbRecord& LiveDatabase::Record(size_t index) {
  if (changed_) return (*changed_)[index];
  std::optional<PdbRecord>& known = on_handheld_[index];
  if (!known) {
    known = FromDlp(handheld_.Guarded(
        [&] { return dlp_.ReadRecordByIndex(handle_, static_cast<uint16_t>(index)); }));
  }
  return *known;
}

size_t LiveDatabase::LiveRecordCount() const {
  // A record not read yet counts: only a record read says it is deleted.
  if (changed_) {
    return std::count_if(changed_->begin(), changed_->end(),
                         [](const PdbRecord& r) { return !r.deleted(); });
  }
  return std::count_if(on_handheld_.begin(), on_handheld_.end(),
                       [](const std::optional<PdbRecord>& r) { return !r || !r->deleted(); });
}

const std::vector<std::optional<PdbRecord>>& LiveDatabase::AllOnHandheld() {
  for (size_t i = 0; i < on_handheld_.size(); ++i) {
    if (!on_handheld_[i]) Record(i);
  }
  return on_handheld_;
}

uint32_t LiveDatabase::AddRecord(uint32_t unique_id, uint8_t attributes, Bytes data) {
  if (unique_id != 0) {
    throw ConduitError(err::kBadArgument, "A live handheld takes new records only, not record " +
                                              std::to_string(unique_id));
  }
  if (size() >= pdb::kMaxRecords) {
    throw ConduitError(err::kBadArgument, "Database " + name_ + " is full (65535 records)");
  }
  if (!changed_) {
    changed_.emplace();
    for (const auto& r : AllOnHandheld()) changed_->push_back(*r);
  }
  changed_->push_back(PdbRecord{attributes, 0, std::move(data)});
  return 0;
}

void LiveDatabase::ClearRecords() {
  changed_.emplace();
}

bool LiveDatabase::dirty() const {
  return changed_ && !SameRecords(on_handheld_, *changed_);
}

void LiveDatabase::Write() {
  if (!dirty()) {
    changed_.reset();  // the same records again: the handheld's stand
    return;
  }
  if (!writable_) {
    // A database opened for writing is marked modified: only now, for a change.
    handheld_.Guarded([&] { dlp_.CloseDB(handle_); });
    open_ = false;
    handle_ =
        handheld_.Guarded([&] { return dlp_.OpenDB(name_, link::OpenMode::kReadWriteSecret); });
    open_ = writable_ = true;
  }
  if (!on_handheld_.empty()) handheld_.Guarded([&] { dlp_.DeleteAllRecords(handle_); });
  on_handheld_.clear();
  for (PdbRecord& r : *changed_) {
    const link::DlpRecord out{0, 0, static_cast<uint8_t>(r.attributes & ~pdb::kCategoryMask),
                              r.category(), r.data};
    r.unique_id = handheld_.Guarded([&] { return dlp_.WriteRecord(handle_, out); });
    on_handheld_.push_back(r);
  }
  changed_.reset();
}

void LiveDatabase::Close() {
  if (!open_) return;
  open_ = false;
  handheld_.Guarded([&] { dlp_.CloseDB(handle_); });
}

}  // namespace corvane
