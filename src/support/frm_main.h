#pragma once

#include <cstdint>
#include <string>

#include "support/clock.h"
#include "support/window.h"

namespace corvane {

// The main window's fields, the only state shared between the procedures,
// with the window and clock they reach the outside through. One object lives
// for the whole run and every procedure receives it.
struct FrmMain {
  FrmMain(Window& w, const Clock& c) : window(w), clock(c) {}

  std::string appPath;    // the executable's folder, no trailing separator
  std::string logFolder;  // where palmSynclog.txt lives; empty: appPath
  std::string syncPath;   // PalmSyncPath as stored; empty when missing
  int16_t currentVerboseLevel = 1;
  std::string lastStatus;
  bool statusChanged = false;
  int16_t fieldCount = 0;
  // A log that cannot be written is reported once, not at every line.
  bool logFailureShown = false;
  // The exchange folder belongs to another conduit's run: nothing of this
  // run goes into it, however the run ends.
  bool exchangeRefused = false;

  Window& window;
  const Clock& clock;
};

}  // namespace corvane
