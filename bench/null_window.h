#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/window.h"

namespace corvane {

// A window that shows nothing; a benchmark that raises a message box has
// measured an error path, so it stops there.
class NullWindow : public Window {
 public:
  void SetActivity(const std::string&) override {}
  void AddLogItem(const std::string&) override {}
  MessageAnswer ShowMessage(const std::string& text, const std::string& title,
                            MessageButtons) override {
    std::fprintf(stderr, "unexpected message box %s: %s\n", title.c_str(), text.c_str());
    std::abort();
  }
  void ProcessPendingEvents() override {}
  void SetTimerEnabled(bool) override {}
  bool TimerEnabled() const override { return false; }
  void CenterOnScreen() override {}
  [[noreturn]] void EndProcess(int) override { std::abort(); }
};

}  // namespace corvane
