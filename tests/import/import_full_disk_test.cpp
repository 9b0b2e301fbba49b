#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>

#include "fixtures/handheld_builder.h"
#include "import/cache_import.h"
#include "import/field_list.h"
#include "import/flights_import.h"

namespace corvane {
namespace {

using testing::ReadFileBytes;

constexpr rlim_t kFileSizeLimit = 4096;

// Runs fn in a child process whose files cannot grow past kFileSizeLimit
// bytes, as on a full disk; gives fn's result or a code for a signal. The
// child runs a function, not a program, so it is forked here.
int RunOnFullDisk(const std::function<bool()>& fn) {
  pid_t pid = ::fork();
  if (pid == 0) {
    ::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
    rlimit limit{kFileSizeLimit, kFileSizeLimit};
    ::_exit(::setrlimit(RLIMIT_FSIZE, &limit) != 0 ? 90 : fn() ? 0 : 1);
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return 91;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

using FullDiskImportTest = testing::HandheldTest;

TEST_F(FullDiskImportTest, FailedWritesFailTheTransfer) {
  struct Case {
    bool flights;  // else the cache
    int records;   // below and above the size the import gathers before a write
  } cases[] = {{false, 400}, {false, 8000}, {true, 300}, {true, 4000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.flights ? "flights, " : "cache, ") + std::to_string(c.records));
    builder.AddDatabase(kSchemaDatabase, {testing::SchemaRecord("a"), testing::SchemaRecord("b")});
    builder.AddDatabase(kFlightsDatabase,
                        std::vector<Bytes>(c.records, testing::TextsRecord({"flight value", "x"})));
    builder.AddDatabase(kCacheDatabase,
                        std::vector<Bytes>(c.records, testing::CacheRecord(2, "airport name", "")));
    const std::string flightsBefore = ReadFileBytes(builder.DatabasePath(kFlightsDatabase));

    EXPECT_EQ(
        RunOnFullDisk([&] {
          bool ok = c.flights ? PDAtoPC_CorvaneDB(frm, link) : PDAtoPC_CorvaneCache(frm, link);
          return !ok && window.messages.size() == 1 &&
                 window.messages[0].title ==
                     (c.flights ? "PDA2PCCorvaneDB Error!!" : "PDA2PCCorvaneCache Error!!") &&
                 window.messages[0].text.find(std::to_string(EFBIG) + " - ") != std::string::npos &&
                 window.activity == "Error in Synchronization.";
        }),
        0);
    EXPECT_LE(ReadFileBytes(Exchange(c.flights ? "db.txt" : "airport.txt")).size(), kFileSizeLimit);
    EXPECT_EQ(ReadFileBytes(builder.DatabasePath(kFlightsDatabase)), flightsBefore);
  }
}

}  // namespace
}  // namespace corvane
