// corvane-pc, the PC application's stand-in: new flights go into its logbook
// only after a completed synchronisation. When the run fails after the
// conduit may have emptied the handheld's flights database (it wrote "stage4
// alldone", or its launcher was killed and nothing tells what it did), they
// wait in a pending file for the next run; otherwise they are dropped, as the
// handheld still has them.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <sstream>

#include "corvane_pc/options.h"
#include "corvane_pc/staging.h"
#include "corvane_pc/sync_run.h"
#include "fixtures/child_process.h"
#include "fixtures/temp_dir.h"

namespace corvane {
namespace {

TEST(CorvanePcE2eTest, NewFlightsWaitWhenTheHandheldMayHaveBeenEmptied) {
  // What a stand-in conduit does once the PC application wrote "stage3 pc2pda".
  const std::tuple<const char*, bool> conduits[] = {
      {"printf 'stage4 alldone' > \"$X/status.flag\"; exit 1", true},
      {"kill -9 $PPID; sleep 1", true},  // the launcher killed
      {"exit 1", false}};
  for (const auto& [after_stage3, kept] : conduits) {
    SCOPED_TRACE(after_stage3);
    testing::TempDir temp;
    pc::Options options{.exchange = temp.Sub("exchange"),
                        .handheld = temp.Sub("handheld"),
                        .logbook = temp.path() + "/logbook.csv",
                        .data = temp.Sub("data"),
                        .conduit = temp.path() + "/conduit",
                        .hotsync = CORVANE_BIN_DIR "/hotsync",
                        .timeout = 60};
    std::filesystem::copy(CORVANE_SOURCE_DIR "/samples/pc", options.data);
    testing::WriteFileBytes(
        options.conduit,
        "#!/bin/sh\nX='" + options.exchange +
            "'\nprintf '^Date|From\\r\\n2026-12-01|EDDF\\r\\n' > \"$X/db.txt\"\n"
            "printf 'stage2 waiting pc' > \"$X/status.flag\"\n"
            "until [ \"$(cat \"$X/status.flag\")\" = 'stage3 pc2pda' ]; do sleep 0.05; done\n" +
            after_stage3 + "\n");
    ASSERT_EQ(::chmod(options.conduit.c_str(), 0755), 0);
    EXPECT_EQ(testing::InChild(
                  [&] {
                    ::setenv("XDG_CONFIG_HOME", temp.Sub("config").c_str(), 1);
                    std::ostringstream out, err;
                    return std::to_string(pc::RunSynchronisation(options, out, err));
                  },
                  90),
              "1");
    EXPECT_EQ(std::filesystem::exists(pc::PendingPath(options.logbook)), kept);
    EXPECT_FALSE(std::filesystem::exists(options.logbook));
  }
}

}  // namespace
}  // namespace corvane
