// What every layer shares: numbers and paths from texts, the log, and the
// notification's suppression list kept through modReg.

#include <gtest/gtest.h>

#include "fixtures/caught_error.h"
#include "fixtures/conduit_test_fixture.h"
#include "platform/settings_file.h"
#include "support/conduit_log.h"
#include "support/integer_text.h"
#include "support/mod_reg.h"
#include "support/notify_logic.h"

namespace corvane {
namespace {

TEST(SupportTest, TextToInt16RoundsHalvesToEvenAndRefusesTheRest) {
  const std::pair<const char*, int> numbers[] = {
      {"  42  ", 42}, {"+7", 7},  {"-32768", -32768}, {"32767", 32767}, {"007", 7},
      {"2.5", 2},     {"3.5", 4}, {"-2.5", -2},       {"2.51", 3},      {"2.4999", 2},
      {"9.50", 10},   {".6", 1},  {"5.", 5}};
  for (const auto& [text, value] : numbers) EXPECT_EQ(TextToInt16(text), value) << text;
  const std::pair<const char*, int32_t> refused[] = {
      {"", err::kTypeMismatch},    {" ", err::kTypeMismatch},
      {"1 2", err::kTypeMismatch}, {"\t1", err::kTypeMismatch},
      {"1e3", err::kTypeMismatch}, {"--1", err::kTypeMismatch},
      {".", err::kTypeMismatch},   {"1.x", err::kTypeMismatch},
      {"32768", err::kOverflow},   {"-32769", err::kOverflow},
      {"32767.5", err::kOverflow}, {"99999999999999999999", err::kOverflow}};
  for (const auto& [text, error] : refused) {
    EXPECT_EQ(testing::ErrorNumberOf([&] { TextToInt16(text); }), error) << text;
  }
}

using ConduitLogTest = testing::ConduitTest;

TEST_F(ConduitLogTest, AnUnwritableLogFolderIsShownOnceTheLinesStillListed) {
  frm.appPath = temp.path() + "/no-such-folder";
  Log(frm, "lost", 1);
  Log(frm, "lost too", 1);
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].title + ": " + window.messages[0].text.substr(0, 29),
            "CorvaneConduit: 2 - No such file or directory");
  EXPECT_EQ(window.log_items, (std::vector<std::string>{"lost", "lost too"}));
}

TEST(SupportTest, NotificationsSuppressedByWholeIdsOfTheStoredList) {
  testing::TempDir config;
  SettingsFile store(config.path());
  NotifyLogic logic(store);
  auto list = [&](const std::string& set) {
    WriteRegString(store, kHKeyCurrentUser, kCorvaneKeyPath, kPalmSyncSuppressNotify, set);
  };
  // clang-format off
  const std::tuple<const char*, const char*, bool> shown[] = {
      {"11", "1", true}, {"2,1", "1", false}, {"1,2", "1", false}, {" 1 ", "1", false},
      {"3, 1", "1", true}};
  // clang-format on
  for (const auto& [entries, id, shows] : shown) {
    list(entries);
    logic.Load(std::string(id) + "|Corvane is not running.");
    EXPECT_EQ(logic.OnActivate().has_value(), shows) << entries;
  }
  list("3");
  logic.Load(" 1 |first|second");
  EXPECT_EQ(logic.OnActivate(), std::optional<std::string>("first"));
  logic.OnClose(true);
  EXPECT_EQ(ReadRegString(store, kHKeyCurrentUser, kCorvaneKeyPath, kPalmSyncSuppressNotify),
            "3,1");
  list("");
  logic.Load("1");  // no message: shows nothing rather than fail
  EXPECT_EQ(logic.OnActivate(), std::optional<std::string>(""));
}

}  // namespace
}  // namespace corvane
