#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/bytes.h"

namespace corvane {

class HotSyncLink;
class RecordDatabase;
class LauncherWatch;

inline constexpr const char* kRecordAdapterClass = "PDDirect.PDRecordAdapter";
inline constexpr int32_t kOpenReadWrite = 192;
// The longest text the transfers read with TextFromBytes.
inline constexpr int32_t kMaxTextLength = 32767;

// The sync library's objects, as the conduit uses them. Every failure raises
// ConduitError with the library's number (err::kNotFound, ...).

class PDHotSyncUtility {
 public:
  explicit PDHotSyncUtility(const HotSyncLink& link) : link_(link) {}
  bool IsSyncInProgress() const;

 private:
  const HotSyncLink& link_;
};

// An open database. Records marked deleted are kept on the handheld for
// synchronisation but are invisible here: reads skip them and RecordTotal
// does not count them. Releasing the adapter closes the database; its
// changes reach the file at the link's next Flush(). Once the HotSync
// operation it was opened in is over, every operation raises err::kHotSyncEnded.
class PDRecordAdapter {
 public:
  explicit PDRecordAdapter(std::shared_ptr<RecordDatabase> db,
                           std::shared_ptr<const LauncherWatch> watch = nullptr);
  ~PDRecordAdapter();
  PDRecordAdapter(PDRecordAdapter&&) noexcept;
  PDRecordAdapter& operator=(PDRecordAdapter&&) noexcept;

  // The next live record's data; after the last one an empty buffer and
  // AtEnd() true, without an error. The reference holds until the database
  // changes: callers copy it into a buffer of their own, which, reused from
  // record to record, costs no allocation per record.
  const Bytes& ReadNextRecord();
  // Adds a record; id 0 asks for a fresh unique id, which is stored in id.
  void AddRecord(int32_t& id, int32_t reserved1, int32_t reserved2, const Bytes& data);
  // Removes every record, deleted ones included.
  void ClearRecords(int32_t reserved, int32_t categoryAll);
  int32_t RecordTotal() const;
  // How many more records the database can take (a database holds at most
  // 65,535, deleted ones included): what a writer of many records checks
  // before it adds the first.
  int32_t RecordsLeft() const;
  // Sets the read position; 0 makes the next read return the first record.
  void SetReadPosition(int32_t index);
  bool AtEnd() const;

 private:
  friend class PDDatabaseOpener;
  RecordDatabase& Database() const;

  std::shared_ptr<RecordDatabase> db_;
  std::shared_ptr<const LauncherWatch> watch_;
  size_t position_ = 0;  // index into the database's records, deleted included
  bool at_end_ = false;
  bool read_only_ = false;  // opened without the write mode bit
};

class PDDatabaseOpener {
 public:
  explicit PDDatabaseOpener(HotSyncLink& link) : link_(link) {}
  PDRecordAdapter OpenDatabase(const std::string& name, const std::string& adapterClass,
                               int32_t mode);

 private:
  HotSyncLink& link_;
};

// Numbers and texts in record data. Each call returns the offset just past
// what it stored or read.
class PDByteConverter {
 public:
  // bigEndian true is the handheld's byte order.
  int32_t NumberToBytes(Bytes& data, int32_t offset, bool bigEndian, int16_t value) const;
  int32_t NumberFromBytes(const Bytes& data, int32_t offset, bool bigEndian, int16_t& value) const;
  // The text's bytes, then a zero byte. A store past the end of data raises
  // err::kBufferOverrun and leaves data unchanged.
  int32_t TextToBytes(Bytes& data, int32_t offset, const std::string& text) const;
  // Reads up to the zero byte, maxLength bytes or the end of data, whichever
  // comes first; never past the data.
  int32_t TextFromBytes(const Bytes& data, int32_t offset, int32_t maxLength,
                        std::string& text) const;
};

}  // namespace corvane
