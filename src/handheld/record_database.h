#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "handheld/pdb_format.h"

namespace corvane {

// One record database as the sync library's adapters work on it: a handheld
// folder's, held in memory whole, or a live handheld's, read as its records
// are asked for. Records marked deleted are kept as the handheld keeps them.
class RecordDatabase {
 public:
  virtual ~RecordDatabase() = default;

  virtual std::string name() const = 0;
  // Records, deleted ones included.
  virtual size_t size() const = 0;
  // The record at index, below size(). The reference holds until the
  // database changes.
  virtual const PdbRecord& Record(size_t index) = 0;
  // Records not marked deleted.
  virtual size_t LiveRecordCount() const = 0;
  // Appends a record; unique_id 0 asks for a fresh id. Returns the id used,
  // or 0 when the handheld gives it only when the record is written.
  virtual uint32_t AddRecord(uint32_t unique_id, uint8_t attributes, Bytes data) = 0;
  // Removes every record, deleted ones included.
  virtual void ClearRecords() = 0;
};

}  // namespace corvane
