#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "handheld/hotsync_link.h"
#include "handheld/sync_library.h"
#include "handheld_builder.h"

namespace corvane::testing {

// A transfer to the handheld under test: detailed logging, and the records
// as they reached the database file.
class ExportTest : public HandheldTest {
 protected:
  ExportTest() { frm.currentVerboseLevel = 10; }

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

  std::vector<std::string> MessageTitles() const {
    std::vector<std::string> titles;
    for (const RecordedMessage& m : window.messages) titles.push_back(m.title);
    return titles;
  }
};

}  // namespace corvane::testing
