#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_window.h"
#include "support/frm_main.h"
#include "temp_dir.h"

namespace corvane::testing {

// A main window over a scripted window and clock, with the conduit's own
// folder and an exchange folder in a fresh temporary folder.
class ConduitTest : public ::testing::Test {
 protected:
  ConduitTest() : frm(window, clock) {
    frm.appPath = temp.Sub("app");
    frm.syncPath = temp.Sub("exchange") + "/";
  }

  std::string Exchange(const std::string& name) const { return frm.syncPath + name; }
  std::string LogFile() const { return frm.appPath + "/palmSynclog.txt"; }
  // The log file's lines without their timestamps.
  std::vector<std::string> LogMessages() const;

  TempDir temp;
  FakeWindow window;
  FakeClock clock;
  FrmMain frm;
};

}  // namespace corvane::testing
