#include "handheld/launcher_watch.h"

#include <poll.h>

#include "support/conduit_error.h"

namespace corvane {

LauncherWatch::LauncherWatch(sys::Fd fd) : fd_(std::move(fd)), ended_(!fd_.valid()) {}

bool LauncherWatch::Ended() const {
  if (ended_) return true;
  pollfd p{fd_.get(), POLLIN, 0};
  // The launcher never writes: any event (end-of-file, hang-up, an error, a
  // descriptor that is no longer valid) means it is gone. An interrupted
  // poll says nothing and is asked again next time.
  if (::poll(&p, 1, 0) > 0 && p.revents != 0) ended_ = true;
  return ended_;
}

void LauncherWatch::ThrowIfEnded() const {
  if (Ended()) {
    throw ConduitError(err::kHotSyncEnded, "The HotSync operation has ended: " + why_);
  }
}

void LauncherWatch::MarkEnded(const std::string& why) const {
  if (!ended_) why_ = why;
  ended_ = true;
}

}  // namespace corvane
