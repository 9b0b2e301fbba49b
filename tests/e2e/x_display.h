#pragma once

#include <memory>
#include <string>

#include "fixtures/child_process.h"

namespace corvane::testing {

// A private X server (Xvfb) for tests that need real windows, driven the way
// a person would with xdotool.
class XDisplay {
 public:
  XDisplay();
  ~XDisplay();

  // ":N"; empty when the server could not be started.
  const std::string& name() const { return name_; }

  // The id of the visible window titled title, waiting up to seconds; "" when none appears.
  std::string FindWindow(const std::string& title, double seconds = 20) const;
  // Clicks at x, y inside the window.
  bool Click(const std::string& window, int x, int y) const;
  // Gives the window the keyboard and types a key such as Return.
  bool Key(const std::string& window, const std::string& key) const;
  // Saves the window (or the whole screen for an empty id) as a PNG.
  bool Capture(const std::string& window, const std::string& png) const;

 private:
  int Run(const std::vector<std::string>& args, std::string* output = nullptr) const;

  std::unique_ptr<ChildProcess> server_;
  std::string name_;
  std::string scratch_;
};

}  // namespace corvane::testing
