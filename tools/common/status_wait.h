#pragma once

#include <functional>
#include <string>

namespace corvane {

struct StatusWait {
  bool done = false;
  std::string seen;   // the last text read ("" when missing or unreadable)
  bool read = false;  // whether the last read found the file and read it
};

// Watches status.flag at path as the PC application does: reads it every
// 50 ms (trimmed of spaces and lower-cased) until done(text) holds or
// timeout seconds have passed. before_read, when given, runs before every
// read: what it learns then cannot be newer than the text that follows.
StatusWait WaitForStatus(const std::string& path, double timeout,
                         const std::function<bool(const std::string& seen)>& done,
                         const std::function<void()>& before_read = nullptr);

}  // namespace corvane
