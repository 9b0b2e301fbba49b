// The settings file behind modReg, as Qt's settings class keeps it.

#include <gtest/gtest.h>

#include "fixtures/temp_dir.h"
#include "platform/settings_file.h"
#include "support/mod_reg.h"

namespace corvane {
namespace {

using testing::ReadFileBytes;

class SettingsFileTest : public ::testing::Test {
 protected:
  std::string ConfFile() const { return tmp.path() + "/Veltrane-soft/Corvane.conf"; }
  void WriteConf(const std::string& content) {
    testing::WriteFileBytes(tmp.File("Veltrane-soft/Corvane.conf"), content);
  }
  std::string Read(const std::string& name) {
    return ReadRegString(store, kHKeyCurrentUser, kCorvaneKeyPath, name);
  }
  void Write(const std::string& name, const std::string& text) {
    WriteRegString(store, kHKeyCurrentUser, kCorvaneKeyPath, name, text);
  }

  testing::TempDir tmp;
  SettingsFile store{tmp.path()};
};

TEST_F(SettingsFileTest, OnlyTheUsersApplicationKeysHaveAFileMadeOnTheFirstRead) {
  for (std::string path : {"Software\\Veltrane-soft\\", "Software\\Veltrane-soft\\Corvane\\Sub\\",
                           "Software\\..\\Corvane\\", "Other\\Veltrane-soft\\Corvane\\", ""}) {
    EXPECT_FALSE(store.FileFor(kHKeyCurrentUser, path)) << path;
    EXPECT_EQ(ReadRegString(store, kHKeyCurrentUser, path, kPalmSyncPath), "") << path;
  }
  EXPECT_FALSE(store.FileFor(0x80000002, kCorvaneKeyPath));  // HKEY_LOCAL_MACHINE
  EXPECT_FALSE(KeyExists(store, kHKeyCurrentUser, kCorvaneKeyPath));
  EXPECT_EQ(Read(kPalmSyncPath), "");
  EXPECT_EQ(ReadFileBytes(ConfFile()), "");
  EXPECT_TRUE(KeyExists(store, kHKeyCurrentUser, "software\\Veltrane-soft\\Corvane"));
  // A folder where the file should be: no key, reads empty, writes ignored.
  std::filesystem::remove(ConfFile());
  std::filesystem::create_directories(ConfFile());
  EXPECT_FALSE(KeyExists(store, kHKeyCurrentUser, kCorvaneKeyPath));
  Write(kPalmSyncPath, "/x/");
  EXPECT_EQ(Read(kPalmSyncPath), "");
  EXPECT_TRUE(std::filesystem::is_empty(ConfFile()));
}

// Values as Qt writes them and as people do: lists, quotes, escapes, comments, typed values;
// what does not fit the 255-byte buffer with its zero reads empty.
TEST_F(SettingsFileTest, ValuesReadAsTextsFromTheGeneralSection) {
  // clang-format off
  const std::pair<std::string, std::string> values[] = {  // as stored, as read
      {"/home/pilot/sync/", "/home/pilot/sync/"}, {std::string(254, 'p'), std::string(254, 'p')},
      {std::string(255, 'p'), ""}, {"1,3", "1,3"}, {"1, 3", "1,3"}, {"\"1,3\"", "1,3"},
      {"  1  ", "1"},
      {"\" 1 \"", " 1 "}, {"a\\0b", "a"}, {"1 ; note", "1"}, {"\"1;2\"", "1;2"}, {"@@x", "@x"},
      {"@ByteArray(1)", "1"}, {"C:\\\\Sync\\\\", "C:\\Sync\\"}, {"caf\\xe9", "caf\xe9"}, {"", ""},
      {"a\\\r\nb", "ab"}};  // a line continued
  // clang-format on
  for (const auto& [stored, text] : values) {
    WriteConf("[General]\nPalmSyncPath=" + stored + "\n");
    EXPECT_EQ(Read(kPalmSyncPath), text) << stored;
  }
  // Keys before any section belong to General; the last one counts; names are exact.
  const std::pair<std::string, std::string> files[] = {
      {"PalmSyncPath=/top/\n[Other]\nPalmSyncPath=/other/\n", "/top/"},
      {"[general]\nPalmSyncPath=/lower/\n", "/lower/"},
      {"[Other]\nPalmSyncPath=/other/\n", ""},
      {"[General]\nPalmSyncPath=/first/\n[X]\na=1\n[General]\nPalmSyncPath=/last/\n", "/last/"},
      {"[General]\r\nPalmSyncPath=/crlf/\r\n", "/crlf/"},
      {"[General]\npalmsyncpath=/case/\n", ""},
      {"; PalmSyncPath=/comment/\n[General]\n", ""}};
  for (const auto& [content, text] : files) {
    WriteConf(content);
    EXPECT_EQ(Read(kPalmSyncPath), text) << content;
  }
}

// Quoted where a comma, ';', '=' or an outer space would change the value;
// single bytes escaped unless they spell UTF-8; read back up to a zero.
TEST_F(SettingsFileTest, WrittenTextsReadBackAndAreStoredAsQtWould) {
  // clang-format off
  const std::pair<std::string, std::string> texts[] = {  // as written, as stored
      {"1", "1"}, {"1,3", "\"1,3\""}, {"a;b", "\"a;b\""}, {"x=y", "\"x=y\""},
      {" lead", "\" lead\""}, {"trail ", "\"trail \""}, {"C:\\Sync\\", "C:\\\\Sync\\\\"},
      {"say \"hi\"", "say \\\"hi\\\""}, {"@at", "@@at"},
      {"tab\there", "tab\\there"}, {"\x01" "1", "\\x1\\x31"}, {"\x7f", "\\x7f"},
      {"caf\xe9", "caf\\xe9"}, {"caf\xc3\xa9", "caf\xc3\xa9"}, {"", ""},
      {std::string("1\0" "2", 3), "1\\0\\x32"}, {"\x10", "\\x10"}};
  // clang-format on
  for (const auto& [text, stored] : texts) {
    Write(kPalmSyncSuppressNotify, text);
    EXPECT_EQ(ReadFileBytes(ConfFile()), "[General]\nPalmSyncSuppressNotify=" + stored + "\n")
        << text;
    EXPECT_EQ(Read(kPalmSyncSuppressNotify), text.substr(0, text.find('\0')));
  }
}

TEST_F(SettingsFileTest, WritingKeepsTheRestOfTheFile) {
  const std::string before =
      "; the PC application's settings\n[General]\nPalmSyncPath=/home/pilot/sync/\n"
      "PalmSyncSuppressNotify=2\nOther=\"x, y\"\n\n"
      "[Window]\nPalmSyncSuppressNotify=keep\ngeometry=@ByteArray(abc)\n";
  std::string replaced = before, added = before;
  replaced.replace(replaced.find("PalmSyncSuppressNotify=2"), 24, "PalmSyncSuppressNotify=\"1,2\"");
  added.insert(added.find("\n\n[Window]"), "\nNewValue=n");  // joins the General section
  const struct {
    std::string before, name, text, after;
  } cases[] = {
      {before, kPalmSyncSuppressNotify, "1,2", replaced},
      {before, "NewValue", "n", added},
      // A file without one gets the General section first.
      {"[Window]\nx=1\n", kPalmSyncSuppressNotify, "1",
       "[General]\nPalmSyncSuppressNotify=1\n\n[Window]\nx=1\n"},
      {"[General]\r\nA=1\r\n", "B", "2", "[General]\r\nA=1\r\nB=2\r\n"},  // the file's line ends
      // The open quote would swallow a line added at the end.
      {"[General]\nOther=\"open\n", kPalmSyncSuppressNotify, "1",
       "[General]\nPalmSyncSuppressNotify=1\n\n[General]\nOther=\"open\n"}};
  for (const auto& c : cases) {
    WriteConf(c.before);
    Write(c.name, c.text);
    EXPECT_EQ(ReadFileBytes(ConfFile()), c.after);
    EXPECT_EQ(Read(c.name), c.text);
  }
}

}  // namespace
}  // namespace corvane
