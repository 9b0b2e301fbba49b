#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>

#include "handheld/cache_import.h"
#include "handheld/field_list.h"
#include "handheld/flights_import.h"
#include "handheld_builder.h"

namespace corvane {
namespace {

using testing::CacheRecord;
using testing::HandheldTest;
using testing::ReadFileBytes;
using testing::SchemaRecord;
using testing::TextsRecord;

constexpr rlim_t kFileSizeLimit = 4096;

// Runs fn in a child process whose files cannot grow past kFileSizeLimit
// bytes, as on a full disk; gives fn's result or a code for a signal.
int RunOnFullDisk(const std::function<int()>& fn) {
  pid_t pid = ::fork();
  if (pid == 0) {
    ::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
    rlimit limit{kFileSizeLimit, kFileSizeLimit};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(90);
    ::_exit(fn());
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return 91;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

class FullDiskImportTest : public HandheldTest {};

TEST_F(FullDiskImportTest, FailedWritesFailTheTransfer) {
  struct Case {
    const char* label;
    bool flights;  // else the cache
    int records;   // below and above the size the import gathers before a write
    const char* title;
    const char* file;
  } cases[] = {
      {"cache, last write at closing", false, 400, "PDA2PCCorvaneCache Error!!", "airport.txt"},
      {"cache, write on the way", false, 8000, "PDA2PCCorvaneCache Error!!", "airport.txt"},
      {"flights, last write at closing", true, 300, "PDA2PCCorvaneDB Error!!", "db.txt"},
      {"flights, write on the way", true, 4000, "PDA2PCCorvaneDB Error!!", "db.txt"},
  };
  for (const Case& c : cases) {
    builder.AddDatabase(kSchemaDatabase, {SchemaRecord("a"), SchemaRecord("b")});
    builder.AddDatabase(kFlightsDatabase,
                        std::vector<Bytes>(c.records, TextsRecord({"flight value", "x"})));
    builder.AddDatabase(kCacheDatabase,
                        std::vector<Bytes>(c.records, CacheRecord(2, "airport name", "")));
    const std::string flightsBefore = ReadFileBytes(builder.DatabasePath(kFlightsDatabase));

    int result = RunOnFullDisk([&] {
      bool ok = c.flights ? PDAtoPC_CorvaneDB(frm, link) : PDAtoPC_CorvaneCache(frm, link);
      if (ok) return 1;
      if (window.messages.size() != 1) return 2;
      if (window.messages[0].title != c.title) return 3;
      if (window.messages[0].text.find(std::to_string(EFBIG) + " - ") == std::string::npos) {
        return 4;
      }
      if (window.activity != "Error in Synchronization.") return 5;
      return 0;
    });
    EXPECT_EQ(result, 0) << c.label;
    EXPECT_LE(ReadFileBytes(Exchange(c.file)).size(), kFileSizeLimit) << c.label;
    EXPECT_EQ(ReadFileBytes(builder.DatabasePath(kFlightsDatabase)), flightsBefore) << c.label;
  }
}

}  // namespace
}  // namespace corvane
