#include "handheld/sync_library.h"

#include "handheld/handheld_store.h"
#include "handheld/record_database.h"
#include "handheld/hotsync_link.h"
#include "handheld/launcher_watch.h"
#include "support/conduit_error.h"

namespace corvane {
namespace {

constexpr int32_t kModeRead = 0x80;
constexpr int32_t kModeWrite = 0x40;

}  // namespace

bool PDHotSyncUtility::IsSyncInProgress() const {
  return link_.IsSyncInProgress();
}

PDRecordAdapter::PDRecordAdapter(std::shared_ptr<RecordDatabase> db,
                                 std::shared_ptr<const LauncherWatch> watch)
    : db_(std::move(db)), watch_(std::move(watch)) {}
PDRecordAdapter::~PDRecordAdapter() = default;
PDRecordAdapter::PDRecordAdapter(PDRecordAdapter&&) noexcept = default;
PDRecordAdapter& PDRecordAdapter::operator=(PDRecordAdapter&&) noexcept = default;

RecordDatabase& PDRecordAdapter::Database() const {
  if (watch_) watch_->ThrowIfEnded();
  if (!db_) throw ConduitError(err::kBadArgument, "The record adapter has no open database");
  return *db_;
}

const Bytes& PDRecordAdapter::ReadNextRecord() {
  static const Bytes kNoRecord;
  RecordDatabase& db = Database();
  while (position_ < db.size() && db.Record(position_).deleted()) ++position_;
  if (position_ >= db.size()) {
    at_end_ = true;
    return kNoRecord;
  }
  at_end_ = false;
  return db.Record(position_++).data;
}

void PDRecordAdapter::AddRecord(int32_t& id, int32_t, int32_t, const Bytes& data) {
  RecordDatabase& db = Database();
  if (read_only_) {
    throw ConduitError(err::kReadOnlyDatabase, "Database opened read-only: " + db.name());
  }
  if (id < 0) throw ConduitError(err::kBadArgument, "Negative record id " + std::to_string(id));
  id = static_cast<int32_t>(
      db.AddRecord(static_cast<uint32_t>(id), pdb::kRecordDirty, Bytes(data.begin(), data.end())));
}

void PDRecordAdapter::ClearRecords(int32_t, int32_t) {
  RecordDatabase& db = Database();
  if (read_only_) {
    throw ConduitError(err::kReadOnlyDatabase, "Database opened read-only: " + db.name());
  }
  db.ClearRecords();
  position_ = 0;
  at_end_ = false;
}

int32_t PDRecordAdapter::RecordTotal() const {
  return static_cast<int32_t>(Database().LiveRecordCount());
}

int32_t PDRecordAdapter::RecordsLeft() const {
  return static_cast<int32_t>(pdb::kMaxRecords - Database().size());
}

void PDRecordAdapter::SetReadPosition(int32_t index) {
  if (index < 0) {
    throw ConduitError(err::kBadArgument, "Negative read position " + std::to_string(index));
  }
  // index counts live records; position_ counts every record.
  RecordDatabase& db = Database();
  size_t live = 0;
  size_t i = 0;
  for (; i < db.size(); ++i) {
    if (db.Record(i).deleted()) continue;
    if (live == static_cast<size_t>(index)) break;
    ++live;
  }
  position_ = i;
  at_end_ = false;
}

bool PDRecordAdapter::AtEnd() const {
  if (watch_) watch_->ThrowIfEnded();
  return at_end_;
}

PDRecordAdapter PDDatabaseOpener::OpenDatabase(const std::string& name,
                                               const std::string& adapterClass, int32_t mode) {
  if (adapterClass != kRecordAdapterClass) {
    throw ConduitError(err::kBadArgument, "Unknown adapter class: " + adapterClass);
  }
  if ((mode & (kModeRead | kModeWrite)) == 0) {
    throw ConduitError(err::kBadArgument, "Open mode " + std::to_string(mode) +
                                              " asks for neither reading nor writing");
  }
  PDRecordAdapter adapter(link_.Store().OpenDatabase(name), link_.watch());
  adapter.read_only_ = (mode & kModeWrite) == 0;
  return adapter;
}

int32_t PDByteConverter::NumberToBytes(Bytes& data, int32_t offset, bool bigEndian,
                                       int16_t value) const {
  if (offset < 0 || static_cast<size_t>(offset) + 2 > data.size()) {
    throw ConduitError(err::kBufferOverrun, "A number at offset " + std::to_string(offset) +
                                                " does not fit in a record of " +
                                                std::to_string(data.size()) + " bytes");
  }
  const uint16_t v = static_cast<uint16_t>(value);
  const uint8_t high = static_cast<uint8_t>(v >> 8);
  const uint8_t low = static_cast<uint8_t>(v & 0xFF);
  data[offset] = bigEndian ? high : low;
  data[offset + 1] = bigEndian ? low : high;
  return offset + 2;
}

int32_t PDByteConverter::NumberFromBytes(const Bytes& data, int32_t offset, bool bigEndian,
                                         int16_t& value) const {
  if (offset < 0 || static_cast<size_t>(offset) + 2 > data.size()) {
    throw ConduitError(err::kBufferOverrun, "No number at offset " + std::to_string(offset) +
                                                " in a record of " + std::to_string(data.size()) +
                                                " bytes");
  }
  const uint8_t first = data[offset];
  const uint8_t second = data[offset + 1];
  value = static_cast<int16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
  return offset + 2;
}

int32_t PDByteConverter::TextToBytes(Bytes& data, int32_t offset, const std::string& text) const {
  if (offset < 0 || static_cast<size_t>(offset) > data.size() ||
      text.size() + 1 > data.size() - static_cast<size_t>(offset)) {
    throw ConduitError(err::kBufferOverrun, "A text of " + std::to_string(text.size()) +
                                                " bytes at offset " + std::to_string(offset) +
                                                " does not fit in a record of " +
                                                std::to_string(data.size()) + " bytes");
  }
  std::copy(text.begin(), text.end(), data.begin() + offset);
  data[offset + text.size()] = 0;
  return offset + static_cast<int32_t>(text.size()) + 1;
}

int32_t PDByteConverter::TextFromBytes(const Bytes& data, int32_t offset, int32_t maxLength,
                                       std::string& text) const {
  if (offset < 0 || static_cast<size_t>(offset) > data.size()) {
    throw ConduitError(err::kBadArgument, "Text offset " + std::to_string(offset) +
                                              " lies outside a record of " +
                                              std::to_string(data.size()) + " bytes");
  }
  if (maxLength < 0) {
    throw ConduitError(err::kBadArgument, "Negative text length " + std::to_string(maxLength));
  }
  const size_t start = static_cast<size_t>(offset);
  const size_t limit = std::min(data.size(), start + static_cast<size_t>(maxLength));
  size_t end = start;
  while (end < limit && data[end] != 0) ++end;
  text.assign(data.begin() + start, data.begin() + end);
  // Past the terminating zero when there is one.
  const size_t next = end < data.size() && data[end] == 0 ? end + 1 : end;
  return static_cast<int32_t>(next);
}

}  // namespace corvane
