// Replays the corpus of every fuzz target: each input is either refused
// cleanly by the reader or gives a result that holds together. Seeds named
// damaged-* are the readers' refusal cases.

#include <gtest/gtest.h>

#include <filesystem>

#include "fixtures/temp_dir.h"
#include "fuzz_checks.h"

namespace corvane {
namespace {

TEST(FuzzCorpusTest, EveryInputIsRefusedCleanlyOrHoldsTogether) {
  for (const fuzz::FuzzTarget& target : fuzz::FuzzTargets()) {
    const std::filesystem::path corpus =
        std::filesystem::path(CORVANE_SOURCE_DIR) / "fuzz/corpus" / target.name;
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
      const std::string name = entry.path().filename().string();
      SCOPED_TRACE(std::string(target.name) + "/" + name);
      const std::string input = testing::ReadFileBytes(entry.path().string());
      const fuzz::FuzzOutcome outcome =
          target.check(reinterpret_cast<const uint8_t*>(input.data()), input.size());
      EXPECT_EQ(outcome.fault, "");
      EXPECT_EQ(outcome.accepted, name.rfind("damaged-", 0) != 0);
      ++inputs;
    }
    EXPECT_GT(inputs, 0) << target.name;
  }
}

}  // namespace
}  // namespace corvane
