// A FIFO where the program expects a file: every reader and writer fails
// at once, as with any file it cannot use, instead of waiting for ever for
// the other end. Each case runs in a child process with a deadline.

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "export/cache_export.h"
#include "fixtures/caught_error.h"
#include "fixtures/child_process.h"
#include "fixtures/handheld_builder.h"
#include "handheld/database_names.h"
#include "import/flights_import.h"
#include "import/version_import.h"
#include "platform/settings_file.h"
#include "support/conduit_log.h"
#include "support/mod_reg.h"

namespace corvane {
namespace {

using testing::TextsRecord;

class HangTest : public testing::HandheldTest {
 protected:
  void SetUp() override {
    builder.AddDatabase("CRVN_Corvane_Schema", {});
    builder.AddDatabase(kFlightsDatabase, {});
    builder.AddDatabase(kPrefDatabase, {TextsRecord({"a", "b", "2.1"})});
    builder.AddDatabase("CRVN_Corvane_Cache", {});
  }
  bool Shown(const std::string& text) const {
    return !window.messages.empty() && window.messages.back().text.find(text) != std::string::npos;
  }
  std::string config = temp.Sub("config");
  SettingsFile settings{config};
};

TEST_F(HangTest, FifoInPlaceOfAFileFailsAtOnce) {
  const std::string kNotAFile = "is a FIFO, not a regular file";
  struct Case {
    std::string fifo;
    std::function<bool()> fails_cleanly;
  } cases[] = {
      {Exchange("AIRPORT.TXT"),
       [&] {
         return PCtoPDA_CorvaneCache(frm, link) &&
                std::ranges::count(LogMessages(), "Failed to load list of airports.") == 1;
       }},
      {Exchange("db.txt"), [&] { return !PDAtoPC_CorvaneDB(frm, link) && Shown(kNotAFile); }},
      {Exchange("version.txt"), [&] { return !GetVesion(frm, link) && Shown(kNotAFile); }},
      {handheld_dir + "/CRVN_Corvane_Cache.pdb",
       [&] {
         return testing::ErrorOf([&] {
                  PDDatabaseOpener(link).OpenDatabase("CRVN_Corvane_Cache", kRecordAdapterClass,
                                                      kOpenReadWrite);
                }).find(kNotAFile) != std::string::npos;
       }},
      {LogFile(), [&] { return !AppendLogLine(frm, "line") && Shown(kNotAFile); }},
      {config + "/Veltrane-soft/Corvane.conf",
       [&] {
         return ReadRegString(settings, kHKeyCurrentUser, kCorvaneKeyPath, kPalmSyncPath).empty() &&
                settings.Problem(kHKeyCurrentUser, kCorvaneKeyPath)
                        .find("Corvane.conf is a FIFO") != std::string::npos;
       }},
  };
  for (const Case& c : cases) {
    std::filesystem::create_directories(std::filesystem::path(c.fifo).parent_path());
    std::filesystem::remove(c.fifo);
    ASSERT_EQ(::mkfifo(c.fifo.c_str(), 0600), 0) << c.fifo;
    EXPECT_EQ(testing::InChild([&] { return c.fails_cleanly() ? "failed cleanly" : "no"; }, 10),
              "failed cleanly")
        << c.fifo;
    std::filesystem::remove(c.fifo);
  }
}

TEST_F(HangTest, SettingsThatCannotBeUsedSayWhy) {
  // A file where the settings folder should be stops even root from writing there.
  testing::WriteFileBytes(config + "/Veltrane-soft", "");
  EXPECT_EQ(ReadRegString(settings, kHKeyCurrentUser, kCorvaneKeyPath, kPalmSyncPath), "");
  const std::string problem = settings.Problem(kHKeyCurrentUser, kCorvaneKeyPath);
  EXPECT_EQ(problem, "Settings not used: the folder " + config +
                         "/Veltrane-soft cannot be written (Not a directory)");
}

}  // namespace
}  // namespace corvane
