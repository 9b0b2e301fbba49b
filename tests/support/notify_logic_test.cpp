#include "support/notify_logic.h"

#include <gtest/gtest.h>

#include "fixtures/memory_settings_store.h"
#include "support/mod_reg.h"

namespace corvane {
namespace {

using testing::MemorySettingsStore;

const std::string kNotification = "1|Corvane is not running.";

class NotifyLogicTest : public ::testing::Test {
 protected:
  void SetList(const std::string& list) {
    WriteRegString(store, kHKeyCurrentUser, kCorvaneKeyPath, kPalmSyncSuppressNotify, list);
  }
  std::string List() {
    return ReadRegString(store, kHKeyCurrentUser, kCorvaneKeyPath, kPalmSyncSuppressNotify);
  }
  MemorySettingsStore store;
};

TEST_F(NotifyLogicTest, SuppressionMatchesWholeEntriesOnly) {
  struct Case {
    const char* list;  // nullptr: the setting is missing
    bool shown;
  } cases[] = {{nullptr, true}, {"", true},     {"1", false},   {"11", true},
               {"21", true},    {"1x", true},   {"2,1", false}, {"1,2", false},
               {",1", false},   {" 1 ", false}, {"3, 1", true}};
  for (const Case& c : cases) {
    store.keys.clear();
    if (c.list) SetList(c.list);
    NotifyLogic logic(store);
    logic.Load(kNotification);
    EXPECT_EQ(logic.OnActivate().has_value(), c.shown) << (c.list ? c.list : "(missing)");
  }
}

TEST_F(NotifyLogicTest, SpaceAfterCommaDoesNotSuppressTheSecondId) {
  SetList("1, 3");
  NotifyLogic logic(store);
  logic.Load("3|third");
  EXPECT_TRUE(logic.OnActivate().has_value());
}

TEST_F(NotifyLogicTest, CloseStoresTheIdOnlyWhenTicked) {
  struct Case {
    const char* before;
    bool ticked;
    const char* after;
  } cases[] = {{"", true, "1"}, {"3", true, "3,1"}, {"3", false, "3"}, {"", false, ""}};
  for (const Case& c : cases) {
    store.keys.clear();
    SetList(c.before);
    NotifyLogic logic(store);
    logic.Load(kNotification);
    ASSERT_TRUE(logic.OnActivate().has_value());
    logic.OnClose(c.ticked);
    EXPECT_EQ(List(), c.after);
  }
}

TEST_F(NotifyLogicTest, MessageIsTheSecondPieceAndTheIdIsTrimmed) {
  NotifyLogic logic(store);
  logic.Load(" 1 |first|second");
  EXPECT_EQ(logic.notifyId(), "1");
  EXPECT_EQ(logic.OnActivate(), std::optional<std::string>("first"));
  logic.Load("1");
  EXPECT_EQ(logic.OnActivate(), std::optional<std::string>(""));
}

TEST_F(NotifyLogicTest, UnwritableStoreShowsEveryNotification) {
  SetList("1");
  store.writable = false;
  NotifyLogic logic(store);
  logic.Load(kNotification);
  EXPECT_TRUE(logic.OnActivate().has_value());
}

}  // namespace
}  // namespace corvane
