// modReg over the settings file and over a scripted store.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fixtures/memory_settings_store.h"
#include "fixtures/temp_dir.h"
#include "platform/settings_file.h"
#include "support/mod_reg.h"

#ifdef CORVANE_HAVE_GUI
#include <QSettings>
#include <QStringList>
#endif

namespace corvane {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

using namespace std::string_literals;

// A temporary XDG_CONFIG_HOME for the settings of one test.
class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    if (old) old_xdg_ = old;
    ::setenv("XDG_CONFIG_HOME", tmp_.path().c_str(), 1);
  }
  void TearDown() override {
    if (old_xdg_) {
      ::setenv("XDG_CONFIG_HOME", old_xdg_->c_str(), 1);
    } else {
      ::unsetenv("XDG_CONFIG_HOME");
    }
  }

  std::string Folder() const { return tmp_.path() + "/Veltrane-soft"; }
  std::string ConfFile() const { return Folder() + "/Corvane.conf"; }
  void WriteConf(const std::string& content) {
    std::filesystem::create_directories(Folder());
    WriteFileBytes(ConfFile(), content);
  }
  std::string Read(const std::string& name) {
    return ReadRegString(store_, kHKeyCurrentUser, kCorvaneKeyPath, name);
  }
  void Write(const std::string& name, const std::string& text) {
    WriteRegString(store_, kHKeyCurrentUser, kCorvaneKeyPath, name, text);
  }

  TempDir tmp_;
  SettingsFile store_;  // follows XDG_CONFIG_HOME

 private:
  std::optional<std::string> old_xdg_;
};

TEST_F(SettingsFileTest, ReadOfAMissingKeyCreatesItEmpty) {
  EXPECT_FALSE(KeyExists(store_, kHKeyCurrentUser, kCorvaneKeyPath));
  EXPECT_EQ(Read(kPalmSyncPath), "");
  EXPECT_TRUE(std::filesystem::is_regular_file(ConfFile()));
  EXPECT_EQ(ReadFileBytes(ConfFile()), "");
  EXPECT_TRUE(KeyExists(store_, kHKeyCurrentUser, kCorvaneKeyPath));
}

TEST_F(SettingsFileTest, DefaultsToDotConfigWithoutXdgConfigHome) {
  ::unsetenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  std::string old_home = home ? home : "";
  ::setenv("HOME", tmp_.path().c_str(), 1);
  EXPECT_EQ(store_.FileFor(kHKeyCurrentUser, kCorvaneKeyPath),
            tmp_.path() + "/.config/Veltrane-soft/Corvane.conf");
  ::setenv("HOME", old_home.c_str(), 1);
}

TEST_F(SettingsFileTest, OnlyTheUsersApplicationKeysHaveAFile) {
  EXPECT_EQ(store_.FileFor(kHKeyCurrentUser, "Software\\Veltrane-soft\\Corvane"), ConfFile());
  for (std::string path : {"Software\\Veltrane-soft\\", "Software\\Veltrane-soft\\Corvane\\Sub\\",
                           "Software\\..\\Corvane\\", "Other\\Veltrane-soft\\Corvane\\", ""}) {
    EXPECT_FALSE(store_.FileFor(kHKeyCurrentUser, path)) << path;
    EXPECT_EQ(ReadRegString(store_, kHKeyCurrentUser, path, kPalmSyncPath), "") << path;
  }
  EXPECT_FALSE(store_.FileFor(0x80000002, kCorvaneKeyPath));  // HKEY_LOCAL_MACHINE
  EXPECT_FALSE(std::filesystem::exists(Folder()));
}

TEST_F(SettingsFileTest, ValuesReadAsTextsFromTheGeneralSection) {
  const std::string p254(254, 'p'), p255(255, 'p');
  struct Case {
    std::string content;
    std::string text;
  } cases[] = {
      {"[General]\nPalmSyncPath=/home/pilot/sync/\n", "/home/pilot/sync/"},
      {"[General]\nPalmSyncPath=/mnt/other/\n", "/mnt/other/"},  // nothing cached
      {"[General]\nPalmSyncPath=p\n", "p"},
      {"[General]\nPalmSyncPath=" + p254 + "\n", p254},  // the read limit
      {"[General]\nPalmSyncPath=" + p255 + "\n", ""},
      {"[General]\nPalmSyncPath=" + std::string(300, 'p') + "\n", ""},
      {"[General]\nPalmSyncPath=1,3\n", "1,3"},      // by hand, a list to Qt
      {"[General]\nPalmSyncPath=1, 3\n", "1,3"},     // a list as Qt writes it
      {"[General]\nPalmSyncPath=\"1,3\"\n", "1,3"},  // a text as Qt writes it
      {"[General]\nPalmSyncPath=  1  \n", "1"},      // unquoted spaces go
      {"[General]\nPalmSyncPath=\" 1 \"\n", " 1 "},  // quoted ones stay
      {"[General]\nPalmSyncPath=a\\0b\n", "a"},      // embedded zero: read up to it
      {"[General]\nPalmSyncPath=1 ; note\n", "1"},   // comment
      {"[General]\nPalmSyncPath=\"1;2\"\n", "1;2"},  // quoted ';' is no comment
      {"[General]\nPalmSyncPath=@@x\n", "@x"},       // text that begins with '@'
      {"[General]\nPalmSyncPath=@ByteArray(1)\n", "1"},
      {"[General]\nPalmSyncPath=C:\\\\Sync\\\\\n", "C:\\Sync\\"},
      {"[General]\nPalmSyncPath=caf\\xe9\n", "caf\xe9"},
      {"[General]\nPalmSyncPath=\n", ""},
      {"PalmSyncPath=/top/\n[Other]\nPalmSyncPath=/other/\n", "/top/"},  // before any section
      {"[general]\nPalmSyncPath=/lower/\n", "/lower/"},
      {"[Other]\nPalmSyncPath=/other/\n", ""},
      {"[General]\nPalmSyncPath=/first/\n[X]\na=1\n[General]\nPalmSyncPath=/last/\n", "/last/"},
      {"[General]\r\nPalmSyncPath=/crlf/\r\n", "/crlf/"},
      {"[General]\npalmsyncpath=/case/\n", ""},  // names are exact, as for Qt
      {"; PalmSyncPath=/comment/\n[General]\n", ""},
  };
  for (const auto& c : cases) {
    WriteConf(c.content);
    EXPECT_EQ(Read(kPalmSyncPath), c.text) << c.content;
  }
}

TEST_F(SettingsFileTest, WrittenTextsReadBackAndAreStoredAsQtWould) {
  struct Case {
    std::string text;
    std::string stored;  // the value as it stands in the file
    std::string read;
  } cases[] = {
      {"1", "1", "1"},
      {"1,3", "\"1,3\"", "1,3"},
      {"a;b", "\"a;b\"", "a;b"},
      {"x=y", "\"x=y\"", "x=y"},
      {" lead", "\" lead\"", " lead"},
      {"trail ", "\"trail \"", "trail "},
      {"C:\\Sync\\", "C:\\\\Sync\\\\", "C:\\Sync\\"},
      {"say \"hi\"", "say \\\"hi\\\"", "say \"hi\""},
      {"@at", "@@at", "@at"},
      {"tab\there", "tab\\there", "tab\there"},
      {"\x01"s + "1", "\\x1\\x31", "\x01"s + "1"},  // a hex digit after an escape is escaped too
      {"\x7f", "\\x7f", "\x7f"},
      {"caf\xe9", "caf\\xe9", "caf\xe9"},             // Windows-1252 stays bytes
      {"caf\xc3\xa9", "caf\xc3\xa9", "caf\xc3\xa9"},  // UTF-8 as Qt writes it
      {"1\0"s + "2", "1\\0\\x32", "1"},               // read up to an embedded zero
      {"", "", ""},
  };
  for (const auto& c : cases) {
    Write(kPalmSyncSuppressNotify, c.text);
    EXPECT_EQ(ReadFileBytes(ConfFile()), "[General]\nPalmSyncSuppressNotify=" + c.stored + "\n")
        << c.text;
    EXPECT_EQ(Read(kPalmSyncSuppressNotify), c.read);
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
  struct Case {
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
       "[General]\nPalmSyncSuppressNotify=1\n\n[General]\nOther=\"open\n"},
  };
  for (const auto& c : cases) {
    WriteConf(c.before);
    Write(c.name, c.text);
    EXPECT_EQ(ReadFileBytes(ConfFile()), c.after);
    EXPECT_EQ(Read(c.name), c.text);
  }
}

TEST_F(SettingsFileTest, WriteReplacesTheFileWholeAndKeepsItsPermissions) {
  WriteConf("[General]\nA=1\n");
  ::chmod(ConfFile().c_str(), 0640);
  Write("A", "2");
  struct stat st;
  ASSERT_EQ(::stat(ConfFile().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(Folder())) {
    names.push_back(e.path().filename().string());
  }
  EXPECT_EQ(names, std::vector<std::string>{"Corvane.conf"});  // no temporary left behind
}

// Root may write anything, so an unwritable store is made of a folder where
// the file should be; the permission cases run for other users.
TEST_F(SettingsFileTest, StoreThatIsNoFileReadsEmptyAndIgnoresWrites) {
  std::filesystem::create_directories(ConfFile());
  EXPECT_FALSE(KeyExists(store_, kHKeyCurrentUser, kCorvaneKeyPath));
  EXPECT_EQ(Read(kPalmSyncPath), "");
  Write(kPalmSyncPath, "/x/");  // unnoticed
  EXPECT_TRUE(std::filesystem::is_directory(ConfFile()));
  EXPECT_TRUE(std::filesystem::is_empty(ConfFile()));
}

TEST_F(SettingsFileTest, ReadOnlyStoreReadsEmptyEvenWithTheValue) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
  const std::string content = "[General]\nPalmSyncPath=/home/pilot/sync/\n";
  WriteConf(content);
  ::chmod(ConfFile().c_str(), 0444);
  EXPECT_EQ(Read(kPalmSyncPath), "");
  Write(kPalmSyncPath, "/x/");
  EXPECT_EQ(ReadFileBytes(ConfFile()), content);

  ::chmod(ConfFile().c_str(), 0644);
  ::chmod(Folder().c_str(), 0555);  // the file cannot be replaced
  EXPECT_EQ(Read(kPalmSyncPath), "");
  Write(kPalmSyncPath, "/x/");
  ::chmod(Folder().c_str(), 0755);
  EXPECT_EQ(ReadFileBytes(ConfFile()), content);
}

#ifdef CORVANE_HAVE_GUI
// What we write, Qt's settings class reads the same, and the other way round.
TEST_F(SettingsFileTest, QtReadsWhatWeWriteAndWeReadWhatQtWrites) {
  const std::vector<std::pair<std::string, QString>> cases = {
      {"1", "1"},
      {"1,3", "1,3"},
      {" a;b=c ", " a;b=c "},
      {"C:\\Sync\\", "C:\\Sync\\"},
      {"say \"hi\"\t@", "say \"hi\"\t@"},
      {"@x", "@x"},
      {"\x01"s + "1f", QString("\x01") + "1f"},
      {"caf\xc3\xa9", QString::fromUtf8("caf\xc3\xa9")},
      {"caf\xe9", QString::fromLatin1("caf\xe9")},
      {"", ""},
  };
  for (const auto& [text, qt_text] : cases) {
    Write(kPalmSyncSuppressNotify, text);
    {
      QSettings qt(QString::fromStdString(ConfFile()), QSettings::IniFormat);
      EXPECT_EQ(qt.value(kPalmSyncSuppressNotify).toString(), qt_text) << text;
    }
    std::filesystem::remove(ConfFile());
    {
      QSettings qt(QString::fromStdString(ConfFile()), QSettings::IniFormat);
      qt.setValue(kPalmSyncPath, qt_text);
      qt.sync();
    }
    // Qt keeps texts in UTF-8; a Latin-1 character comes back as such.
    std::string expected = text == "caf\xe9" ? "caf\xc3\xa9" : text;
    EXPECT_EQ(Read(kPalmSyncPath), expected) << ReadFileBytes(ConfFile());
  }
  {
    QSettings qt(QString::fromStdString(ConfFile()), QSettings::IniFormat);
    qt.setValue(kPalmSyncSuppressNotify, QStringList{"1", "3"});
    qt.sync();
  }
  EXPECT_EQ(Read(kPalmSyncSuppressNotify), "1,3");
}
#endif

// modReg's buffer rules, with the raw data the store holds.
std::string ReadFrom(testing::MemorySettingsStore& store, const std::string& name) {
  return ReadRegString(store, kHKeyCurrentUser, kCorvaneKeyPath, name);
}

TEST(ModRegTest, DataMustFitThe255ByteBuffer) {
  struct Case {
    std::string data;
    std::string text;
  } cases[] = {
      {std::string(254, 'a') + '\0', std::string(254, 'a')},
      {std::string(255, 'a') + '\0', ""},
      {std::string(255, 'a'), std::string(255, 'a')},  // no terminator, but it fits
      {"ab\0cd\0"s, "ab"},
      {"\0"s, ""},
      {"no-terminator", "no-terminator"},
  };
  for (const auto& c : cases) {
    testing::MemorySettingsStore store;
    store.keys[kCorvaneKeyPath]["v"] = c.data;
    EXPECT_EQ(ReadFrom(store, "v"), c.text) << c.data.size();
  }
}

TEST(ModRegTest, WriteStoresTheTextWithItsTerminatingZero) {
  testing::MemorySettingsStore store;
  WriteRegString(store, kHKeyCurrentUser, kCorvaneKeyPath, kPalmSyncSuppressNotify, "1,3");
  WriteRegString(store, kHKeyCurrentUser, kCorvaneKeyPath, "Empty", "");
  EXPECT_EQ(store.keys[kCorvaneKeyPath][kPalmSyncSuppressNotify], "1,3\0"s);
  EXPECT_EQ(store.keys[kCorvaneKeyPath]["Empty"], "\0"s);
  EXPECT_EQ(ReadFrom(store, kPalmSyncSuppressNotify), "1,3");
}

TEST(ModRegTest, TrimNulls) {
  struct Case {
    std::string in;
    std::string out;
  } cases[] = {
      {"1,2\0\0\0"s, "1,2"}, {"  1\0"s, "1"},
      {"\0 a\0b \0"s, "ab"}, {"\t1\r\n", "\t1\r\n"},  // only spaces are trimmed
      {"   ", ""},           {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(TrimNulls(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace corvane
