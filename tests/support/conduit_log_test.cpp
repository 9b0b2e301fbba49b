#include "support/conduit_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "fixtures/conduit_test_fixture.h"
#include "support/date_text.h"

namespace corvane {
namespace {

using testing::ConduitTest;
using testing::ReadFileBytes;

class ConduitLogTest : public ConduitTest {};

TEST_F(ConduitLogTest, ThresholdIsComparedSigned) {
  struct Case {
    int16_t threshold;
    int16_t level;
    bool passes;
  } cases[] = {{1, 1, true},   {1, 5, false},  {0, 1, false}, {-1, 1, false},
               {50, 50, true}, {99, 50, true}, {5, 5, true},  {-5, -5, true}};
  for (const Case& c : cases) {
    window.log_items.clear();
    frm.currentVerboseLevel = c.threshold;
    WriteLog(frm, "m", kToListAndFile, c.level);
    EXPECT_EQ(window.log_items.size(), c.passes ? 1u : 0u) << c.threshold << " vs " << c.level;
  }
}

TEST_F(ConduitLogTest, LineFormatAndDestinations) {
  clock.now = {2009, 1, 5, 7, 4, 9};
  WriteLog(frm, "check status", kToListAndFile, 1);
  clock.now = {2026, 12, 31, 23, 59, 0};
  WriteLog(frm, "file only", kToFileOnly, 1);
  WriteLog(frm, "two\r\nlines", kToListAndFile, 1);
  EXPECT_EQ(ReadFileBytes(LogFile()),
            "2009-01-05 07:04:09 | check status\r\n"
            "2026-12-31 23:59:00 | file only\r\n"
            "2026-12-31 23:59:00 | two\r\nlines\r\n");
  EXPECT_EQ(window.log_items, (std::vector<std::string>{"check status", "two\r\nlines"}));
}

TEST_F(ConduitLogTest, PendingEventsRunAfterTheLineIsWritten) {
  std::vector<std::string> seen_in_event;
  window.events.push_back([&] {
    seen_in_event = LogMessages();
    WriteLog(frm, "inner", kToListAndFile, 1);
  });
  WriteLog(frm, "outer", kToListAndFile, 1);
  EXPECT_EQ(seen_in_event, std::vector<std::string>{"outer"});
  EXPECT_EQ(LogMessages(), (std::vector<std::string>{"outer", "inner"}));
  // A suppressed line lets no event run.
  frm.currentVerboseLevel = 0;
  int calls = window.process_events_calls;
  WriteLog(frm, "hidden", kToListAndFile, 1);
  EXPECT_EQ(window.process_events_calls, calls);
}

TEST_F(ConduitLogTest, UnwritableFolderShowsOneBoxAndGoesOn) {
  frm.appPath = temp.path() + "/no-such-folder";
  WriteLog(frm, "first", kToListAndFile, 1);
  WriteLog(frm, "second", kToListAndFile, 1);
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].title, "CorvaneConduit");
  EXPECT_EQ(window.messages[0].buttons, MessageButtons::kOk);
  EXPECT_EQ(window.messages[0].text.rfind("2 - No such file or directory", 0), 0u);
  EXPECT_EQ(window.log_items, (std::vector<std::string>{"first", "second"}));
}

TEST(DateTextTest, HelpersOverEveryKindOfValue) {
  EXPECT_EQ(TwoDigits(0), "00");
  EXPECT_EQ(TwoDigits(9), "09");
  EXPECT_EQ(TwoDigits(10), "10");
  LocalDateTime afternoon{2009, 1, 15, 13, 5, 3};
  EXPECT_EQ(ODBCDateTime(Value::DateTime(afternoon)), "2009-01-15 13:05:03");
  for (const Value& v : {Value::MakeNull(), Value::MakeEmpty(), Value::Text("2009-01-15"),
                         Value::Number(3), Value::Nothing()}) {
    EXPECT_EQ(ODBCDateTime(v), "");
  }
  EXPECT_EQ(std::get<std::string>(ODBCDate(Value::DateTime(afternoon)).data()), "2009-01-15");
  EXPECT_TRUE(std::holds_alternative<Value::Null>(ODBCDate(Value::MakeNull()).data()));
  EXPECT_EQ(std::get<std::string>(ODBCDate(Value::Text("x")).data()), "x");

  struct Case {
    Value value;
    bool nees;
    bool nothing;
  } cases[] = {
      {Value::MakeNull(), true, false}, {Value::MakeEmpty(), true, false},
      {Value::Nothing(), true, true},   {Value::SomeObject(), false, false},
      {Value::Text(""), true, false},   {Value::Text(" "), false, false},
      {Value::Number(0), false, false}, {Value::DateTime(afternoon), false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsNEES(c.value), c.nees);
    EXPECT_EQ(isNothing(c.value), c.nothing);
  }
}

}  // namespace
}  // namespace corvane
