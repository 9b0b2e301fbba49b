#include <gtest/gtest.h>

#include "handheld/cache_import.h"
#include "handheld/flights_import.h"
#include "handheld/flights_reset.h"
#include "handheld/pdb_format.h"
#include "handheld_builder.h"
#include "support/conduit_error.h"

namespace corvane {
namespace {

using testing::HandheldTest;
using testing::ReadFileBytes;
using testing::TextsRecord;

class FlightsResetTest : public HandheldTest {};

TEST_F(FlightsResetTest, EmptiesTheFlightsDatabaseOnly) {
  struct Case {
    int records;
    std::vector<std::string> log;
  } cases[] = {
      {3,
       {"Clearing PDA's flights DB", "Open CRVN_Corvane_db", "Open CRVN_Corvane_db got 3 records",
        "removing all records"}},
      {0,
       {"Clearing PDA's flights DB", "Open CRVN_Corvane_db", "Open CRVN_Corvane_db got 0 records"}},
  };
  frm.currentVerboseLevel = 5;
  builder.AddDatabase(kCacheDatabase, {TextsRecord({"x"})});
  const std::string cacheBefore = ReadFileBytes(builder.DatabasePath(kCacheDatabase));
  for (const Case& c : cases) {
    builder.AddDatabase(kFlightsDatabase,
                        std::vector<Bytes>(c.records, TextsRecord({"a", "b", "c"})));
    const std::string before = ReadFileBytes(builder.DatabasePath(kFlightsDatabase));
    window.log_items.clear();

    ASSERT_TRUE(ResetPalmDB(frm, link)) << c.records;
    EXPECT_EQ(window.log_items, c.log);
    link.Flush();
    PdbFile after = ReadPdbFile(builder.DatabasePath(kFlightsDatabase));
    EXPECT_TRUE(after.records.empty());
    EXPECT_EQ(after.header.Name(), kFlightsDatabase);
    if (c.records == 0) {
      EXPECT_EQ(ReadFileBytes(builder.DatabasePath(kFlightsDatabase)), before) << "not rewritten";
    }
  }
  EXPECT_EQ(ReadFileBytes(builder.DatabasePath(kCacheDatabase)), cacheBefore);
  EXPECT_TRUE(window.messages.empty());
}

TEST_F(FlightsResetTest, MissingDatabaseIsReported) {
  frm.currentVerboseLevel = 5;
  EXPECT_FALSE(ResetPalmDB(frm, link));
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].text.rfind(std::to_string(err::kNotFound) + " - ", 0), 0u)
      << window.messages[0].text;
  EXPECT_EQ(window.messages[0].title, "ResetPalmDB Error!!");
  EXPECT_EQ(window.activity, "Error in Synchronization.");
  EXPECT_EQ(window.log_items.back(), window.messages[0].text);
}

}  // namespace
}  // namespace corvane
