#pragma once

#include <memory>
#include <string>
#include <vector>

#include "fixtures/child_process.h"
#include "fixtures/temp_dir.h"

namespace corvane::testing {

// A private X server (Xvfb) for tests that need real windows, driven the way
// a person would with xdotool.
class XDisplay {
 public:
  XDisplay();

  // ":N"; empty when the server could not be started.
  const std::string& name() const { return name_; }
  // The id of the visible window titled title, waiting up to 30 s; "" when none appears.
  std::string FindWindow(const std::string& title) const;
  // Clicks at x, y inside the window.
  bool Click(const std::string& window, int x, int y) const;
  // Gives the window the keyboard and types a key such as Return.
  bool Key(const std::string& window, const std::string& key) const;
  // Saves the window as a PNG.
  bool Capture(const std::string& window, const std::string& png) const;

 private:
  // Runs a program on this display, for at most 30 s; its status and output.
  int Run(const std::vector<std::string>& args, std::string* output = nullptr) const;

  std::unique_ptr<ChildProcess> server_;
  std::string name_;
  TempDir scratch_;
};

}  // namespace corvane::testing
