#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "conduit_test_fixture.h"
#include "handheld/hotsync_link.h"
#include "handheld/sync_library.h"

namespace corvane::testing {

// Builds the .pdb files of a handheld folder for tests.
class HandheldBuilder {
 public:
  explicit HandheldBuilder(std::string folder) : folder_(std::move(folder)) {}

  // Writes "<name>.pdb" holding records in order, replacing an earlier one.
  void AddDatabase(const std::string& name, const std::vector<Bytes>& records,
                   const std::string& type = "DATA", const std::string& creator = "CRVN") const;
  std::string DatabasePath(const std::string& name) const;

 private:
  std::string folder_;
};

// Record data as the handheld application stores it: texts, each ended by a
// zero byte, one after the other.
Bytes TextsRecord(const std::vector<std::string>& texts);
// A cache record: the list type byte, then the value and the dependent value.
Bytes CacheRecord(uint8_t type, const std::string& value, const std::string& dependent);
// A schema record: the 16-bit panel number (big-endian), then three texts.
Bytes SchemaRecord(int16_t panel, const std::string& customType, const std::string& displayName,
                   const std::string& fieldName);
// A schema record with only the field name of interest.
inline Bytes SchemaRecord(const std::string& fieldName) {
  return SchemaRecord(1, "T", "Display", fieldName);
}

// A main window with a handheld folder beside its exchange folder, and the
// link that the transfers reach the handheld through.
class HandheldTest : public ConduitTest {
 protected:
  std::string handheld_dir = temp.Sub("handheld");
  HandheldBuilder builder{handheld_dir};
  HotSyncLink link{handheld_dir, HotSyncLink::Source::kAlways};
};

}  // namespace corvane::testing
