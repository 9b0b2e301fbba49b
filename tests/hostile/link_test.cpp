// Symbolic links in the folders the program writes: a file of that name is
// replaced, never written through, so that no write lands outside the
// folders; and a file in another letter case is the file to replace.

#include <sys/stat.h>

#include <filesystem>

#include "control/closing.h"
#include "export/report_export.h"
#include "fixtures/handheld_builder.h"
#include "handheld/database_names.h"
#include "import/cache_import.h"
#include "import/flights_import.h"
#include "import/version_import.h"
#include "support/conduit_error.h"
#include "support/conduit_log.h"
#include "support/text_file.h"

namespace corvane {
namespace {

using testing::ReadFileBytes;
using testing::TextsRecord;
using testing::WriteFileBytes;

class LinkTest : public testing::HandheldTest {
 protected:
  void SetUp() override {
    builder.AddDatabase("CRVN_Corvane_Schema", {testing::SchemaRecord("Date")});
    builder.AddDatabase(kFlightsDatabase, {});
    builder.AddDatabase(kPrefDatabase, {TextsRecord({"a", "b", "2.1"})});
    builder.AddDatabase("CRVN_Corvane_Cache", {testing::CacheRecord(3, "Smith", "")});
  }
};

TEST_F(LinkTest, FilesAreReplacedNotWrittenThrough) {
  const std::string victim = temp.File("outside/victim.txt");
  struct Case {
    std::string link;
    std::function<bool()> write;
    std::string written;
  } cases[] = {
      {Exchange("DB.TXT"), [&] { return PDAtoPC_CorvaneDB(frm, link); }, ""},
      {Exchange("version.txt"), [&] { return GetVesion(frm, link); }, "2.1"},
      {Exchange("person.TXT"), [&] { return PDAtoPC_CorvaneCache(frm, link); }, "Smith\r\n"},
      {LogFile(), [&] { return AppendLogLine(frm, "line"); }, "line\r\n"},
  };
  // A symbolic link, and another name of the same file (a hard link).
  for (auto make_link : {::symlink, ::link}) {
    for (const Case& c : cases) {
      WriteFileBytes(victim, "precious");
      std::filesystem::remove(c.link);
      ASSERT_EQ(make_link(victim.c_str(), c.link.c_str()), 0) << c.link;
      EXPECT_TRUE(c.write()) << c.link;
      EXPECT_EQ(ReadFileBytes(victim), "precious") << c.link;
      struct stat st;
      ASSERT_EQ(::lstat(c.link.c_str(), &st), 0) << c.link;
      EXPECT_TRUE(S_ISREG(st.st_mode)) << c.link;
      EXPECT_EQ(st.st_nlink, 1u) << c.link;
      EXPECT_EQ(ReadFileBytes(c.link), c.written) << c.link;
    }
    // status.flag written in place (no room for a new file) is refused through either.
    std::filesystem::remove(Exchange("status.flag"));
    ASSERT_EQ(make_link(victim.c_str(), Exchange("status.flag").c_str()), 0);
    EXPECT_THROW(OverwriteInPlace(Exchange("status.flag"), "stage2 waiting pc"), ConduitError);
    EXPECT_EQ(ReadFileBytes(victim), "precious");
  }
  EXPECT_TRUE(window.messages.empty());
}

TEST_F(LinkTest, ReportsAreFilesOfTheExchangeFolderNotLinksOutOfIt) {
  builder.AddDatabase(kReportsDatabase, {});
  WriteFileBytes(temp.File("outside/secret.txt"), "not a report");
  WriteFileBytes(temp.File("exchange/Reports/Totals.txt"), "Total 1:05");
  ASSERT_EQ(::symlink((temp.path() + "/outside/secret.txt").c_str(),
                      Exchange("Reports/secret.txt").c_str()),
            0);
  EXPECT_TRUE(PCtoPDA_CorvaneReport(frm, link));
  const std::vector<Bytes> records = Records(kReportsDatabase);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(std::string(records[0].begin(), records[0].begin() + 10), "Total 1:05");
  EXPECT_EQ(window.log_items.end()[-3], "Left out of the reports: secret.txt is a symbolic link");
}

TEST_F(LinkTest, LogCopyReplacesACopyInAnotherLetterCase) {
  WriteFileBytes(Exchange("PALMSYNCLOG.TXT"), "stale");
  AppendLogLine(frm, "this run");
  CopyLogToExchange(frm);
  EXPECT_EQ(ReadFileBytes(Exchange("PALMSYNCLOG.TXT")), "this run\r\n");
  EXPECT_FALSE(std::filesystem::exists(Exchange("palmSynclog.txt")));
}

}  // namespace
}  // namespace corvane
