// Symbolic links in the folders the program writes: a file of that name is
// replaced, never written through, so that no write lands outside the
// folders; and a file in another letter case is the file to replace.

#include <sys/stat.h>

#include <filesystem>

#include "control/closing.h"
#include "fixtures/handheld_builder.h"
#include "handheld/database_names.h"
#include "import/cache_import.h"
#include "import/flights_import.h"
#include "import/version_import.h"
#include "support/conduit_log.h"

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
  for (const Case& c : cases) {
    WriteFileBytes(victim, "precious");
    std::filesystem::remove(c.link);
    ASSERT_EQ(::symlink(victim.c_str(), c.link.c_str()), 0) << c.link;
    EXPECT_TRUE(c.write()) << c.link;
    EXPECT_EQ(ReadFileBytes(victim), "precious") << c.link;
    struct stat st;
    ASSERT_EQ(::lstat(c.link.c_str(), &st), 0) << c.link;
    EXPECT_TRUE(S_ISREG(st.st_mode)) << c.link;
    EXPECT_EQ(ReadFileBytes(c.link), c.written) << c.link;
  }
  EXPECT_TRUE(window.messages.empty());
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
