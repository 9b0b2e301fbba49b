#pragma once

#include <string>

namespace corvane {

// Holds an exchange folder for one conduit's whole run, so that a second
// conduit on the same folder cannot run the same handshake (both would
// overwrite db.txt and both would clear their handheld's flights). The lock
// is an advisory flock on the folder itself: it creates no file that the PC
// application could see, and it goes with the process however it ends.
class ExchangeLock {
 public:
  enum class Outcome {
    kHeld,           // ours until this object goes
    kHeldElsewhere,  // another process holds the folder
    kNoFolder,       // there is no such folder: nothing to hold
  };

  ExchangeLock() = default;
  ~ExchangeLock();
  ExchangeLock(const ExchangeLock&) = delete;
  ExchangeLock& operator=(const ExchangeLock&) = delete;

  // Takes the lock without waiting. Raises ConduitError (errno) when the
  // folder cannot be opened or locked for any other reason.
  Outcome Hold(const std::string& folder);
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace corvane
