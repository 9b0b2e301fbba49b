#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_set>

#include "handheld/pdb_format.h"

namespace corvane::handheld_sim {

// One database of the simulated handheld, held whole in memory, with the
// record operations the way a Palm OS handheld does them. Records change
// through these operations only, so that the ids in use stay known: adding
// records one after another costs the same for the last as for the first.
struct SimDatabase {
  PdbFile file;
  // Its file in the handheld folder; empty for one created this session.
  std::string file_name;
  // Whether it differs from its file.
  bool changed = false;
  // A number of its own, as the handheld's local id of a database.
  uint32_t local_id = 0;

  std::string name() const { return file.header.Name(); }
  std::optional<size_t> IndexOf(uint32_t unique_id) const;

  // Writes a record as DLP WriteRecord does: id 0 makes a new record with a
  // fresh id from the seed; an id in use replaces that record, which moves
  // to the end; any other id makes a new record with that id. The record
  // takes attributes as given (the handheld marks nothing dirty itself).
  // Its id.
  uint32_t Write(uint32_t unique_id, uint8_t attributes, Bytes data);
  // Removes the record; false when there is none with that id.
  bool Remove(uint32_t unique_id);
  // Removes every record for which remove(record) holds; how many.
  size_t RemoveIf(const std::function<bool(const PdbRecord&)>& remove);

  // Bytes of record data, and the largest record.
  size_t DataBytes() const;
  size_t LargestRecord() const;
  // Its record data and its two blocks.
  size_t ContentBytes() const;
  // What it takes in the handheld's memory: its header, record list and
  // content; a gap its file holds is not counted.
  size_t StoredBytes() const;

 private:
  uint32_t NewUniqueId();
  // The ids of the records, gathered when first needed.
  std::unordered_set<uint32_t>& Ids();

  std::optional<std::unordered_set<uint32_t>> ids_;
};

}  // namespace corvane::handheld_sim
