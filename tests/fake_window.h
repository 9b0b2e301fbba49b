#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "support/clock.h"
#include "support/window.h"

namespace corvane::testing {

// Thrown by FakeWindow::EndProcess: ends a scripted run the way the real
// window ends the process. Deliberately not a std::exception, so that no
// error path of the program can swallow it.
struct RunEnded {
  int status;
};

struct RecordedMessage {
  std::string text;
  std::string title;
  MessageButtons buttons;
};

// A scripted main window: records what the program shows, answers message
// boxes from a script and runs scripted events inside ProcessPendingEvents.
class FakeWindow : public Window {
 public:
  void SetActivity(const std::string& text) override {
    activity = text;
    activities.push_back(text);
  }
  void AddLogItem(const std::string& text) override { log_items.push_back(text); }
  MessageAnswer ShowMessage(const std::string& text, const std::string& title,
                            MessageButtons buttons) override {
    messages.push_back({text, title, buttons});
    if (answers.empty()) return buttons == MessageButtons::kOk ? MessageAnswer::kOk : MessageAnswer::kNo;
    MessageAnswer a = answers.front();
    answers.pop_front();
    return a;
  }
  void ProcessPendingEvents() override {
    ++process_events_calls;
    // Events queued by an event run on a later call, as in a real event loop.
    std::deque<std::function<void()>> now;
    now.swap(events);
    for (auto& e : now) e();
  }
  void SetTimerEnabled(bool enabled) override {
    timer = enabled;
    timer_changes.push_back(enabled);
  }
  bool TimerEnabled() const override { return timer; }
  void CenterOnScreen() override { ++centered; }
  [[noreturn]] void EndProcess(int status) override {
    ended = true;
    end_status = status;
    throw RunEnded{status};
  }

  std::string activity;
  std::vector<std::string> activities;
  std::vector<std::string> log_items;
  std::vector<RecordedMessage> messages;
  std::deque<MessageAnswer> answers;
  std::deque<std::function<void()>> events;
  std::vector<bool> timer_changes;
  bool timer = false;
  int centered = 0;
  int process_events_calls = 0;
  bool ended = false;
  int end_status = -1;
};

class FakeClock : public Clock {
 public:
  LocalDateTime Now() const override { return now; }
  LocalDateTime now{2009, 1, 15, 9, 5, 3};
};

}  // namespace corvane::testing
