#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/byte_sink.h"
#include "support/bytes.h"
#include "support/clock.h"

namespace corvane {

// The Palm record-database file format (.pdb): a 78-byte header, a list of
// 8-byte record entries, the customary 2-byte gap, the optional app-info and
// sort-info blocks and the record data, all big-endian.
namespace pdb {

inline constexpr size_t kHeaderSize = 78;
inline constexpr size_t kEntrySize = 8;
inline constexpr size_t kNameSize = 32;
inline constexpr size_t kMaxRecords = 0xFFFF;
inline constexpr uint32_t kMaxUniqueId = 0xFFFFFF;
// Seconds between 1904-01-01 (the handheld's epoch) and 1970-01-01.
inline constexpr uint32_t kEpochOffset = 2082844800u;

// Database attributes.
inline constexpr uint16_t kResourceDatabase = 0x0001;

// Record attributes. The low four bits hold the category.
inline constexpr uint8_t kRecordDeleted = 0x80;
inline constexpr uint8_t kRecordDirty = 0x40;
inline constexpr uint8_t kRecordBusy = 0x20;
inline constexpr uint8_t kRecordSecret = 0x10;
inline constexpr uint8_t kCategoryMask = 0x0F;

}  // namespace pdb

struct PdbRecord {
  uint8_t attributes = 0;
  uint32_t unique_id = 0;  // 24 bits
  Bytes data;

  bool deleted() const { return (attributes & pdb::kRecordDeleted) != 0; }
  uint8_t category() const { return attributes & pdb::kCategoryMask; }
};

struct PdbHeader {
  // The name field as stored: the name, its zero and whatever follows it.
  std::array<uint8_t, pdb::kNameSize> raw_name{};
  uint16_t attributes = 0;
  uint16_t version = 0;
  uint32_t creation_date = 0;  // seconds since 1904
  uint32_t modification_date = 0;
  uint32_t backup_date = 0;
  uint32_t modification_number = 0;
  std::string type = std::string(4, '\0');  // always 4 bytes
  std::string creator = std::string(4, '\0');
  uint32_t unique_id_seed = 0;

  // The name up to its terminating zero.
  std::string Name() const;
  // Stores name, zero-filling the rest; raises kBadArgument when it does not
  // fit in 31 bytes.
  void SetName(const std::string& name);
};

// A whole record database, kept so that writing it back unchanged gives the
// same bytes as were read.
struct PdbFile {
  PdbHeader header;
  Bytes gap = Bytes(2, 0);  // between the record list and the first block
  std::optional<Bytes> app_info;
  std::optional<Bytes> sort_info;
  std::vector<PdbRecord> records;  // deleted ones included
};

// Parses a database; raises ConduitError(err::kDamagedDatabase,
// "<source>: <fault>") for anything that is not a well-formed record
// database. Never reads outside data[0, size).
PdbFile ParsePdb(const uint8_t* data, size_t size, const std::string& source);
inline PdbFile ParsePdb(const Bytes& bytes, const std::string& source) {
  return ParsePdb(bytes.data(), bytes.size(), source);
}

// Writes the database with header in place of file.header; raises as
// SerializePdb does, before anything is written.
void WritePdb(const PdbHeader& header, const PdbFile& file, ByteSink& sink);

// The file's bytes; raises ConduitError(err::kBadArgument) for a database
// that cannot be stored (too many records, type not 4 bytes).
Bytes SerializePdb(const PdbFile& file);

// Reads and parses a file, its pieces straight into the records (a FIFO or a
// folder is refused without waiting); file-system failures raise
// ConduitError(errno), a file that shrinks while read EIO.
PdbFile ReadPdbFile(const std::string& path);

// The header name of a file. Raises ConduitError: errno when the file cannot
// be read, err::kDamagedDatabase ("<path>: <fault>") when its header is cut
// short or its name has no terminating zero.
std::string ReadPdbHeaderName(const std::string& path);
// The same, or nothing on any of those failures.
std::optional<std::string> ReadPdbName(const std::string& path);

// The handheld's time (seconds since 1904) of a Unix time, and of now.
uint32_t PalmTime(int64_t unix_seconds);
uint32_t PalmNow(const Clock& clock);

}  // namespace corvane
