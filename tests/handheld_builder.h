#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "conduit_test_fixture.h"
#include "handheld/hotsync_link.h"
#include "handheld/pdb_format.h"
#include "handheld/sync_library.h"

namespace corvane::testing {

// Record data as the handheld application stores it: texts, each ended by a
// zero byte, after the bytes of head.
inline Bytes TextsRecord(const std::vector<std::string>& texts, Bytes head = {}) {
  for (const std::string& t : texts) {
    head.insert(head.end(), t.begin(), t.end());
    head.push_back(0);
  }
  return head;
}
// A cache record: the list type byte, then the value and the dependent value.
inline Bytes CacheRecord(uint8_t type, const std::string& value, const std::string& dependent) {
  return TextsRecord({value, dependent}, Bytes{type});
}
// A schema record: the 16-bit panel number (big-endian), then three texts.
inline Bytes SchemaRecord(int16_t panel, const std::string& customType,
                          const std::string& displayName, const std::string& fieldName) {
  auto p = static_cast<uint16_t>(panel);
  return TextsRecord({customType, displayName, fieldName},
                     Bytes{static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p & 0xFF)});
}
// A schema record with only the field name of interest.
inline Bytes SchemaRecord(const std::string& fieldName) {
  return SchemaRecord(1, "T", "Display", fieldName);
}

// True when lines hold wanted in this order, other lines between them.
inline bool InOrder(const std::vector<std::string>& lines, const std::vector<std::string>& wanted) {
  auto at = lines.begin();
  for (const std::string& w : wanted) {
    at = std::find(at, lines.end(), w);
    if (at == lines.end()) return false;
    ++at;
  }
  return true;
}

// Builds the .pdb files of a handheld folder for tests.
class HandheldBuilder {
 public:
  explicit HandheldBuilder(std::string folder) : folder_(std::move(folder)) {}

  // Writes "<name>.pdb" holding records in order, replacing an earlier one.
  void AddDatabase(const std::string& name, const std::vector<Bytes>& records) const {
    PdbFile file;
    file.header.SetName(name);
    file.header.type = "DATA";
    file.header.creator = "CRVN";
    file.header.creation_date = file.header.modification_date = PalmNow();
    for (const Bytes& data : records) {
      file.records.push_back(PdbRecord{0, static_cast<uint32_t>(file.records.size() + 1), data});
    }
    file.header.unique_id_seed = static_cast<uint32_t>(records.size() + 1);
    Bytes bytes = SerializePdb(file);
    WriteFileBytes(DatabasePath(name), std::string(bytes.begin(), bytes.end()));
  }
  std::string DatabasePath(const std::string& name) const { return folder_ + "/" + name + ".pdb"; }

 private:
  std::string folder_;
};

// A main window with a handheld folder beside its exchange folder, and the
// link that the transfers reach the handheld through.
class HandheldTest : public ConduitTest {
 protected:
  // Writes the link's changes, then reads the database's live records
  // through a fresh link, as the next synchronisation would see them.
  std::vector<Bytes> Records(const std::string& database) {
    link.Flush();
    HotSyncLink fresh(handheld_dir, HotSyncLink::Source::kAlways);
    PDRecordAdapter db =
        PDDatabaseOpener(fresh).OpenDatabase(database, kRecordAdapterClass, kOpenReadWrite);
    db.SetReadPosition(0);
    std::vector<Bytes> out;
    for (Bytes r = db.ReadNextRecord(); !db.AtEnd(); r = db.ReadNextRecord()) out.push_back(r);
    return out;
  }

  // A transfer's error path: one box under title, its text starting with
  // prefix, and the failure shown.
  void ExpectFailure(const std::string& title, const std::string& prefix) {
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].title, title);
    EXPECT_EQ(window.messages[0].text.rfind(prefix, 0), 0u) << window.messages[0].text;
    EXPECT_EQ(window.messages[0].buttons, MessageButtons::kOk);
    EXPECT_EQ(window.activity, "Error in Synchronization.");
  }

  std::string handheld_dir = temp.Sub("handheld");
  HandheldBuilder builder{handheld_dir};
  HotSyncLink link{handheld_dir, HotSyncLink::Source::kAlways};
};

}  // namespace corvane::testing
