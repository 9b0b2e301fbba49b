#pragma once

#include <string>

#include "support/system.h"

namespace corvane {

// An advisory lock (flock) on a folder itself, for one process's whole run:
// it creates no file that anyone else could see, it goes with the process
// however the process ends, and it is never inherited by a program the
// process starts (the descriptor is close-on-exec).
class FolderLock {
 public:
  enum class Outcome {
    kHeld,           // ours until this object goes
    kHeldElsewhere,  // another process holds the folder
    kNoFolder,       // there is no such folder: nothing to hold
  };

  // Takes the lock without waiting. Raises ConduitError (errno, folder) when
  // the folder cannot be opened or locked for any other reason.
  Outcome Hold(const std::string& folder);
  bool held() const { return fd_.valid(); }

  // Whether some other process holds folder right now: the lock is taken
  // and given back at once. Raises ConduitError as Hold does, and for a
  // missing folder.
  static bool HeldElsewhere(const std::string& folder);

 private:
  sys::Fd fd_;
};

}  // namespace corvane
