// Replays the PDB reader's fuzz corpus: every input is either a database that
// writes back byte-identical or a clean refusal.

#include <gtest/gtest.h>

#include <filesystem>

#include "fixtures/pdb_test_support.h"
#include "fixtures/temp_dir.h"
#include "handheld/pdb_format.h"
#include "support/conduit_error.h"

namespace corvane {
namespace {

TEST(PdbFuzzCorpusTest, EveryInputParsesOrIsRefusedCleanly) {
  const std::filesystem::path corpus = std::filesystem::path(CORVANE_SOURCE_DIR) / "fuzz/corpus";
  int accepted = 0, refused = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    // Seeds named damaged-* are the reader's refusal cases.
    const bool damaged = name.rfind("damaged-", 0) == 0;
    const Bytes input = testing::ToBytes(testing::ReadFileBytes(entry.path().string()));
    try {
      const PdbFile file = ParsePdb(input, entry.path().string());
      EXPECT_FALSE(damaged) << "accepted";
      EXPECT_EQ(SerializePdb(file), input);
      ++accepted;
    } catch (const ConduitError& e) {
      EXPECT_EQ(e.number(), err::kDamagedDatabase) << e.description();
      EXPECT_TRUE(damaged) << e.description();
      ++refused;
    }
  }
  EXPECT_GT(accepted, 0);
  EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace corvane
