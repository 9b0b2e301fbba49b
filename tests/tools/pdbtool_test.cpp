// pdbtool through the real executable.

#include <gtest/gtest.h>

#include <filesystem>

#include "fixtures/pdb_test_support.h"
#include "fixtures/temp_dir.h"
#include "handheld/pdb_format.h"

namespace corvane {
namespace {

using testing::RunCommand;
using testing::ShellQuote;

std::string Tool() {
  return std::string(CORVANE_BIN_DIR) + "/pdbtool";
}

class PdbtoolTest : public ::testing::Test {
 protected:
  testing::CommandResult Create(const std::string& description, bool from_stdin = false) {
    const std::string in = dir.File("in.txt");
    testing::WriteFileBytes(in, description);
    return RunCommand(Tool() + " create " + ShellQuote(out) + (from_stdin ? " - < " : " ") +
                      ShellQuote(in));
  }
  testing::TempDir dir;
  std::string out = dir.path() + "/out.pdb";
};

TEST_F(PdbtoolTest, CreateBuildsTheDescribedDatabase) {
  const auto r = Create(
      "# the cache\n"
      "name \"CRVN_Corvane_Cache\"\ntype DATA\ncreator CRVN\nversion 0x102\nattributes 8\n"
      "seed 0x20\n"
      "record byte 1 text \"D-EABC\" text \"C172\"\n"
      "record id 0x21 category 3 secret\n"
      "  number -2 number 65535 text \"a\\\\b\\\"c\\x00\\r\\n\" zeros 2 hex \"0aFF\"\n"
      "record deleted dirty text \"\"\n");
  ASSERT_EQ(r.status, 0) << r.output;
  const PdbFile f = ReadPdbFile(out);
  EXPECT_EQ(f.header.Name(), "CRVN_Corvane_Cache");
  EXPECT_EQ(f.header.type, "DATA");
  EXPECT_EQ(f.header.creator, "CRVN");
  EXPECT_EQ(f.header.version, 0x102);
  EXPECT_EQ(f.header.attributes, 8);
  ASSERT_EQ(f.records.size(), 3u);
  EXPECT_EQ(f.records[0].data, testing::ToBytes(std::string("\x01"
                                                            "D-EABC\0C172\0",
                                                            13)));
  EXPECT_EQ(f.records[0].attributes, 0);
  EXPECT_EQ(f.records[0].unique_id, 0x20u);
  EXPECT_EQ(f.records[1].unique_id, 0x21u);
  EXPECT_EQ(f.records[1].attributes, 0x13);
  EXPECT_EQ(f.records[1].data, testing::ToBytes(std::string("\xff\xfe\xff\xff"
                                                            "a\\b\"c\0\r\n\0\0\0\x0a\xff",
                                                            17)));
  EXPECT_EQ(f.records[2].unique_id, 0x22u) << "fresh ids skip explicit ones";
  EXPECT_EQ(f.records[2].attributes, 0xC0);
  EXPECT_EQ(f.header.unique_id_seed, 0x23u);
}

TEST_F(PdbtoolTest, DumpShowsHeaderRecordsHexAndTexts) {
  ASSERT_EQ(Create("name Cache\ntype DATA\ncreator CRVN\n"
                   "record byte 1 text \"D-EABC\" text \"C172\"\nrecord deleted text \"x\"\n",
                   /*from_stdin=*/true)
                .status,
            0);
  const auto r = RunCommand(Tool() + " dump " + ShellQuote(out));
  ASSERT_EQ(r.status, 0) << r.output;
  for (const char* expected :
       {"name        \"Cache\"", "creator     \"CRVN\"", "records     2 (1 live)",
        "record 0  attributes 0x00  category 0  id 0x000001  size 13",
        "01 44 2d 45 41 42 43 00 43 31 37 32 00", "texts \"\\x01D-EABC\" \"C172\"",
        "attributes 0x80 [deleted]"}) {
    EXPECT_NE(r.output.find(expected), std::string::npos) << expected << "\n" << r.output;
  }
  const auto s = RunCommand(Tool() + " summary " + ShellQuote(out));
  EXPECT_EQ(s.status, 0);
  EXPECT_EQ(s.output, out + ": Cache  DATA/CRVN  1 record  " +
                          std::to_string(testing::ReadFileBytes(out).size()) + " bytes\n");
}

TEST_F(PdbtoolTest, BadDescriptionsAreRefusedWithLineAndNoFile) {
  const std::string head = "name N\ntype DATA\ncreator CRVN\n";
  struct Case {
    std::string description;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"type DATA\ncreator CRVN\n", "no name given"},
      {"name N\ncreator CRVN\n", "no type given"},
      {"name N\ntype DAT\ncreator CRVN\n", ":2: type must be exactly 4 characters"},
      {"name " + std::string(32, 'n') + "\n", ":1: name must be 1 to 31 bytes"},
      {head + "record text \"open\n", ":4: text without closing quote"},
      {head + "record text \"\\q\"\n", ":4: unknown escape \\q"},
      {head + "record text \"\\x4\"\n", ":4: \\x needs two hexadecimal digits"},
      {head + "record number 65536\n", ":4: number 65536 is out of range -32768..65535"},
      {head + "record byte -1\n", ":4: byte -1 is out of range 0..255"},
      {head + "record byte 1x\n", ":4: byte must be a number"},
      {head + "record text unquoted\n", ":4: text needs a quoted value"},
      {head + "record number\n", ":4: number needs a value"},
      {head + "record category 16\n", ":4: category 16 is out of range"},
      {head + "record id 5\nrecord id 5\n", ":5: id 5 used twice"},
      {head + "record bogus\n", ":4: unknown record flag or field \"bogus\""},
      {head + "text \"x\"\n", ":4: text outside a record"},
      {head + "colour blue\n", ":4: unknown keyword \"colour\""},
      {head + "attributes 1\n", ":4: attribute 0x0001 makes a resource database"},
      {head + "name M\n", ":4: name given twice"},
      {head + "record hex \"abc\"\n", ":4: hex needs a quoted even number of digits"},
      {head + "record number 99999999999999999999\n", "out of range"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    const auto r = Create(c.description);
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("pdbtool: "), std::string::npos) << r.output;
    EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
    EXPECT_FALSE(std::filesystem::exists(out));
  }
}

TEST_F(PdbtoolTest, CommandLinesAndBadFiles) {
  testing::WriteFileBytes(dir.File("short.pdb"), "tiny");
  struct Case {
    std::string args;
    int status;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"", 2, "no command given"},
      {"frobnicate", 2, "unknown command 'frobnicate'"},
      {"dump", 2, "dump needs at least one FILE"},
      {"create " + out, 2, "create needs OUT.pdb and DESCRIPTION"},
      {"create " + out + " " + dir.path() + "/none.txt", 1, "No such file or directory"},
      {"dump " + dir.path() + "/none.pdb", 1, "No such file or directory"},
      {"dump " + dir.path() + "/short.pdb", 1,
       "-2147213295 - " + dir.path() + "/short.pdb: file of 4 bytes is shorter"},
      {"summary " + testing::SamplePath("bogus1DB.pdb"), 1, "no terminating zero"},
      {"dump " + dir.path(), 1, "Is a directory"},
      // A damaged file does not stop the summary of the next one.
      {"summary " + testing::SamplePath("bogus2DB.pdb") + " " + testing::SamplePath("MemoDB.pdb"),
       1, "MemoDB.pdb: MemoDB  DATA/memo  5 records  5089 bytes"},
      {"--help", 0, "record [FLAG...] FIELD..."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const auto r = RunCommand(Tool() + " " + c.args);
    EXPECT_EQ(r.status, c.status) << r.output;
    EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
  }
}

}  // namespace
}  // namespace corvane
