#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>

#include "handheld/pdb_format.h"
#include "handheld/record_database.h"

namespace corvane {

// One record database of a handheld folder, held in memory: every record,
// deleted ones included, and whether it differs from its file.
class HandheldDatabase : public RecordDatabase {
 public:
  HandheldDatabase(std::string file_path, PdbFile file);

  // Reads and parses the file; see ParsePdb for the errors.
  static HandheldDatabase Load(const std::string& file_path);

  const std::string& file_path() const { return file_path_; }
  std::string name() const override { return file_.header.Name(); }
  size_t size() const override { return file_.records.size(); }
  const PdbRecord& Record(size_t index) override { return file_.records[index]; }
  const PdbFile& file() const { return file_; }
  const std::vector<PdbRecord>& records() const { return file_.records; }
  bool dirty() const { return dirty_; }

  size_t LiveRecordCount() const override;

  // unique_id 0 takes a fresh non-zero id from the seed, skipping ids in use;
  // another id must be free.
  uint32_t AddRecord(uint32_t unique_id, uint8_t attributes, Bytes data) override;
  void ClearRecords() override;

  // Takes the content of a fresh read of the file, dropping any change.
  void Replace(HandheldDatabase&& fresh);

  // The header the file is to be written with: modification date and number
  // advanced. The rest is written from file() as it stands.
  PdbHeader PrepareWrite(uint32_t palm_now) const;
  // The write with PrepareWrite's header succeeded.
  void MarkWritten(const PdbHeader& written);

 private:
  void IndexIds();

  std::string file_path_;
  PdbFile file_;
  std::unordered_set<uint32_t> ids_in_use_;
  bool dirty_ = false;
};

}  // namespace corvane
