// The exchange folder of a PC application run under Wine, from prefixes
// built by hand: a user.reg text and dosdevices links.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "fixtures/caught_error.h"
#include "fixtures/temp_dir.h"
#include "platform/settings_file.h"
#include "platform/wine_fallback_settings.h"
#include "platform/wine_path.h"
#include "platform/wine_registry.h"
#include "support/mod_reg.h"

namespace corvane {
namespace {

using testing::ErrorNumberOf;
using testing::ReadFileBytes;
using testing::WriteFileBytes;

const std::string kHeader =
    "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21\n\n";
const std::string kKey = R"([Software\\Veltrane-soft\\Corvane] 1733472000)"
                         "\n#time=1db47c2f\n";
const std::string kKeyPath = R"(Software\Veltrane-soft\Corvane)";
// The key among others like it, in another letter case, with values of every kind.
const std::string kAround = R"([Software\\Veltrane-soft\\Corvane\\Sub] 1
"PalmSyncPath"="sub"
[Software\\Veltrane-soft\\CorvaneX] 1
"PalmSyncPath"="x"
[software\\VELTRANE-soft\\corvane] 1
@="default"
"Bin"=hex:01,02,\
  03,04
"Counter"=dword:00000001
"palmsyncpath"="D:\\Sync\\"
"Other"="o"

[Software\\Other] 1
"PalmSyncPath"="no"
)";

TEST(WineRegistryTest, StringValuesOfTheKey) {
  struct Case {
    std::string file;
    std::optional<std::string> value;
    int32_t error = 0;
  } cases[] = {
      {kHeader + kKey +
           R"("PalmSyncPath"="C:\\My \"Sync\"\\caf\xe9\\\x00e9a\\")"
           "\n",
       "C:\\My \"Sync\"\\caf\xc3\xa9\\\xc3\xa9"
       "a\\"},
      {kHeader + kAround, "D:\\Sync\\"},
      // Another key's damage does not matter.
      {kHeader + "[Software\\\\Other] 1\n\"PalmSyncPath\"=\"open\n", std::nullopt},
      {kHeader + kKey + "\"PalmSyncPath\"=str(2):\"%HOME%\"\n", std::nullopt},
      // Octal escapes, a pair of UTF-16 surrogates and half of one.
      {kHeader + kKey +
           R"("PalmSyncPath"="C:\\\101b\0\xd83d\xde00\xd83d!")"
           "\n",
       std::string("C:\\Ab\0\xf0\x9f\x98\x80\xef\xbf\xbd!", 14)},
      // Line ends of Windows; a later value replaces an earlier one.
      {"WINE REGISTRY Version 2\r\n" + kKey + "\"PalmSyncPath\"=\"C:\\\\\"\r\n", "C:\\"},
      {kHeader + kKey + "\"PalmSyncPath\"=\"a\"\n\"PalmSyncPath\"=\"b\"\n", "b"},
      {kHeader + kKey + "\"PalmSyncPath\"=\"a\"\n\"PalmSyncPath\"=dword:1\n", std::nullopt},
      {kHeader + kKey + "\"PalmSyncPath\"=\"C:\\\\open\n", std::nullopt, err::kDamagedWineRegistry},
      {kHeader + kKey + "PalmSyncPath=C:\n", std::nullopt, err::kDamagedWineRegistry},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    std::optional<std::string> value;
    EXPECT_EQ(
        ErrorNumberOf([&] { value = FindWineRegistryString(c.file, kKeyPath, "PalmSyncPath"); }),
        c.error);
    EXPECT_EQ(value, c.value);
  }
}

class WinePrefixTest : public ::testing::Test {
 protected:
  WinePrefixTest() : prefix(temp.Sub("wine")) {
    temp.Sub("wine/drive_c/users/Pilot/Corvane/Sync");
    temp.Sub("wine/dosdevices");
    ::symlink("../drive_c", (prefix + "/dosdevices/c:").c_str());
    ::symlink("/", (prefix + "/dosdevices/z:").c_str());
    drive_c = std::filesystem::canonical(prefix + "/drive_c").string();
  }
  testing::TempDir temp;
  std::string prefix, drive_c;
};

TEST_F(WinePrefixTest, WindowsPathsBecomeTheLinuxPathsWineMeans) {
  std::string z_path = "Z:" + drive_c;
  std::replace(z_path.begin(), z_path.end(), '/', '\\');
  struct Case {
    std::string windows;
    std::string linux_path;
    int32_t error = 0;
  } cases[] = {
      {R"(C:\users\PILOT\corvane\Sync\)", drive_c + "/users/Pilot/Corvane/Sync/"},
      {R"(c:/Users/Pilot/Missing\SYNC)", drive_c + "/users/Pilot/Missing/SYNC"},
      {R"(C:\users\\.\Pilot\corvane\..\Corvane\Sync)", drive_c + "/users/Pilot/Corvane/Sync"},
      {z_path + R"(\USERS\)", drive_c + "/users/"},
      {R"(\\server\share\)", "", err::kNoWineDrive},
  };
  for (const Case& c : cases) {
    std::string path;
    EXPECT_EQ(ErrorNumberOf([&] { path = WineToLinuxPath(prefix, c.windows); }), c.error)
        << c.windows;
    EXPECT_EQ(path, c.linux_path) << c.windows;
  }
}

TEST_F(WinePrefixTest, SettingsFirstThenWineReadOnly) {
  const std::string reg = prefix + "/user.reg", from = "path from Wine registry " + reg + ": ",
                    none = "no path from Wine registry " + reg + ": ";
  const std::string sync = kHeader + kKey + R"("PalmSyncPath"="C:\\users\\pilot\\corvane\\sync\\")";
  struct Case {
    std::optional<std::string> setting;
    std::optional<std::string> user_reg;
    std::string path;
    std::string note;  // its beginning; "" for none
  } cases[] = {
      {"/home/pilot/sync/", sync, "/home/pilot/sync/", ""},
      {std::nullopt, sync, drive_c + "/users/Pilot/Corvane/Sync/",
       from + R"(C:\users\pilot\corvane\sync\)"},
      {"", sync, drive_c + "/users/Pilot/Corvane/Sync/", from},
      {std::nullopt, std::nullopt, "", ""},
      {std::nullopt, kHeader, "", none + "no PalmSyncPath in " + kKeyPath},
      {std::nullopt, "garbage", "", none + "1005 - not a Wine registry file"},
      {std::nullopt, kHeader + kKey + R"("PalmSyncPath"="D:\\Sync\\")", "",
       none + "1006 - drive D: has no link"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.user_reg.value_or("(no user.reg)"));
    testing::TempDir config;
    SettingsFile settings(config.path());
    if (c.setting)
      WriteRegString(settings, kHKeyCurrentUser, kCorvaneKeyPath, kPalmSyncPath, *c.setting);
    std::filesystem::remove(reg);
    if (c.user_reg) WriteFileBytes(reg, *c.user_reg);
    WineFallbackSettings store(settings, prefix);
    EXPECT_EQ(ReadRegString(store, kHKeyCurrentUser, kCorvaneKeyPath, kPalmSyncPath), c.path);
    EXPECT_EQ(store.origin_note().value_or("").substr(0, c.note.size()), c.note);
    EXPECT_EQ(store.origin_note().has_value(), !c.note.empty());

    WriteRegString(store, kHKeyCurrentUser, kCorvaneKeyPath, kPalmSyncPath, "/x/");
    EXPECT_EQ(ReadRegString(settings, kHKeyCurrentUser, kCorvaneKeyPath, kPalmSyncPath), "/x/");
    if (c.user_reg) {
      EXPECT_EQ(ReadFileBytes(reg), *c.user_reg);
    }
  }
}

}  // namespace
}  // namespace corvane
