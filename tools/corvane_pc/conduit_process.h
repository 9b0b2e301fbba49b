#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace corvane::pc {

// The conduit, run the way a HotSync operation runs it: the hotsync launcher
// on the handheld folder, with the conduit as its program. Launcher and
// conduit form a process group of their own, so that a conduit that hangs
// can be ended with everything it started.
class ConduitProcess {
 public:
  // Raises ConduitError when the launcher cannot be started.
  ConduitProcess(const std::string& hotsync, const std::string& handheld,
                 const std::string& conduit);
  ~ConduitProcess();  // stops a conduit that still runs
  ConduitProcess(const ConduitProcess&) = delete;
  ConduitProcess& operator=(const ConduitProcess&) = delete;

  // The exit status once ended (128 + signal when killed), else nothing.
  std::optional<int> Poll();
  std::optional<int> Wait(double seconds);
  // Asks the launcher to end (it passes SIGTERM on to the conduit); after
  // grace seconds the whole group is killed.
  void Stop(double grace = 10);
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
};

}  // namespace corvane::pc
