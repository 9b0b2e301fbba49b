#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "handheld/record_database.h"

namespace corvane {

class LiveHandheld;
namespace link {
class DlpClient;
}

// One database of a live handheld (see LiveHandheld): what the handheld
// holds, each record read when first asked for, and the conduit's changes
// until they are written.
class LiveDatabase : public RecordDatabase {
 public:
  // handle: the database opened read-only; count: its records.
  LiveDatabase(LiveHandheld& handheld, link::DlpClient& dlp, std::string name, uint8_t handle,
               size_t count);

  std::string name() const override { return name_; }
  size_t size() const override;
  const PdbRecord& Record(size_t index) override;
  size_t LiveRecordCount() const override;
  // Takes new records only (unique_id 0): their ids are the handheld's, given
  // when they are written; 0 until then.
  uint32_t AddRecord(uint32_t unique_id, uint8_t attributes, Bytes data) override;
  void ClearRecords() override;

  // True when the conduit's records differ from the handheld's.
  bool dirty() const;
  // Writes the conduit's records: the handheld's are emptied in one call and
  // the new ones written in order (the handheld moves a record that is
  // replaced to its end, so new records keep the order best); nothing when
  // they are the same records, with the same attributes, in the same order.
  void Write();
  // Closes the handle.
  void Close();

 private:
  // Every record of the handheld's, read when not yet known.
  const std::vector<std::optional<PdbRecord>>& AllOnHandheld();

  LiveHandheld& handheld_;
  link::DlpClient& dlp_;
  std::string name_;
  uint8_t handle_;
  bool writable_ = false;
  bool open_ = true;
  // What the handheld holds; nothing where a record has not been read.
  std::vector<std::optional<PdbRecord>> on_handheld_;
  // The conduit's records once it changed them.
  std::optional<std::vector<PdbRecord>> changed_;
};

}  // namespace corvane
