#pragma once

#include <string>

#include "support/system.h"

namespace corvane {

// Whether the HotSync operation this process runs in is still going on: for
// one thing, whether the launcher that runs it as its conduit is still there,
// seen through the read end of a pipe whose write end only the launcher
// holds: the pipe reaches end-of-file once the launcher is gone, however it
// ended (a kill -9 included), without any help from it.
class LauncherWatch {
 public:
  // An invalid fd means no launcher can be watched, which counts as gone.
  explicit LauncherWatch(sys::Fd fd);

  // True once the launcher is gone; stays true. Never blocks.
  bool Ended() const;
  // Raises ConduitError (err::kHotSyncEnded) once the launcher is gone.
  void ThrowIfEnded() const;
  // The operation is over for another reason (a live handheld's connection
  // failed, as why says): from now on it counts as ended.
  void MarkEnded(const std::string& why) const;
  // The descriptor, for an event loop to watch; -1 when there is none.
  int fd() const { return fd_.get(); }

 private:
  sys::Fd fd_;
  mutable bool ended_;
  mutable std::string why_ = "its launcher is gone";
};

}  // namespace corvane
