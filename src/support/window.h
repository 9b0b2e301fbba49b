#pragma once

#include <string>

namespace corvane {

// The application's title, shown on message boxes that carry no title of their own.
inline constexpr const char* kApplicationTitle = "CorvaneConduit";

enum class MessageButtons { kOk, kYesNo };
enum class MessageAnswer { kOk, kYes, kNo };

struct ScreenSize {
  int width = 0;
  int height = 0;
};

// The main window as the core sees it: its controls, modal message boxes and
// the event loop. Texts are single-byte (Windows-1252) bytes; only the
// implementation decodes them for display.
class Window {
 public:
  virtual ~Window() = default;

  // lblmsgs: the current activity.
  virtual void SetActivity(const std::string& text) = 0;
  // lbLog: adds an item as the last one and selects it.
  virtual void AddLogItem(const std::string& text) = 0;
  // A modal message box; an empty title shows the application's title.
  virtual MessageAnswer ShowMessage(const std::string& text, const std::string& title,
                                    MessageButtons buttons) = 0;
  // Lets pending window events (timer ticks, clicks, painting) run, then repaints.
  virtual void ProcessPendingEvents() = 0;
  // Timer1.
  virtual void SetTimerEnabled(bool enabled) = 0;
  virtual bool TimerEnabled() const = 0;
  // Places the main window in the middle of the screen.
  virtual void CenterOnScreen() = 0;
  // Ends the process at once with the given status; nothing after it runs.
  [[noreturn]] virtual void EndProcess(int status) = 0;
};

}  // namespace corvane
