#include "handheld_builder.h"

#include "handheld/pdb_format.h"
#include "temp_dir.h"

namespace corvane::testing {

void HandheldBuilder::AddDatabase(const std::string& name, const std::vector<Bytes>& records,
                                  const std::string& type, const std::string& creator) const {
  PdbFile file;
  file.header.SetName(name);
  file.header.type = type;
  file.header.creator = creator;
  file.header.creation_date = file.header.modification_date = PalmNow();
  uint32_t id = 1;
  for (const Bytes& data : records) {
    PdbRecord r;
    r.unique_id = id++;
    r.data = data;
    file.records.push_back(std::move(r));
  }
  file.header.unique_id_seed = id;
  Bytes bytes = SerializePdb(file);
  WriteFileBytes(DatabasePath(name), std::string(bytes.begin(), bytes.end()));
}

std::string HandheldBuilder::DatabasePath(const std::string& name) const {
  return folder_ + "/" + name + ".pdb";
}

Bytes TextsRecord(const std::vector<std::string>& texts) {
  Bytes out;
  for (const std::string& t : texts) {
    out.insert(out.end(), t.begin(), t.end());
    out.push_back(0);
  }
  return out;
}

Bytes CacheRecord(uint8_t type, const std::string& value, const std::string& dependent) {
  Bytes out{type};
  Bytes texts = TextsRecord({value, dependent});
  out.insert(out.end(), texts.begin(), texts.end());
  return out;
}

Bytes SchemaRecord(int16_t panel, const std::string& customType, const std::string& displayName,
                   const std::string& fieldName) {
  auto p = static_cast<uint16_t>(panel);
  Bytes out{static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p & 0xFF)};
  Bytes texts = TextsRecord({customType, displayName, fieldName});
  out.insert(out.end(), texts.begin(), texts.end());
  return out;
}

}  // namespace corvane::testing
