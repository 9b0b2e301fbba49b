#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace corvane::pc {

// The conduit, run the way a HotSync operation runs it: the hotsync launcher
// on the handheld folder, with the conduit as its program. Launcher and
// conduit form a process group of their own, so that a conduit that hangs,
// or outlives a launcher that was killed, can be ended with everything it
// started. This process takes in the group's orphans (a child subreaper),
// so that stopping can wait until the last of them is gone.
class ConduitProcess {
 public:
  // connection: how hotsync reaches the handheld, an option and its value
  // ("--handheld", "DIR"); answer_timeout, when given, hotsync's own. Raises ConduitError when the
  // launcher cannot be started.
  ConduitProcess(const std::string& hotsync, const std::string& connection,
                 const std::string& handheld, const std::string& conduit,
                 const std::string& answer_timeout = "");
  ~ConduitProcess();  // stops a conduit that still runs
  ConduitProcess(const ConduitProcess&) = delete;
  ConduitProcess& operator=(const ConduitProcess&) = delete;

  // The exit status once ended (128 + signal when killed), else nothing.
  std::optional<int> Poll();
  std::optional<int> Wait(double seconds);
  // Asks a launcher that still runs to end (it passes SIGTERM on to the
  // conduit) and waits up to grace seconds; then kills whatever is left of
  // the group, even when the launcher has ended already, and waits (up to
  // grace seconds) until the group is gone.
  void Stop(double grace = 10);
  pid_t pid() const { return pid_; }
  // The launcher was ended by a signal: its conduit may have lived on.
  bool ended_by_signal() const { return ended_by_signal_; }

 private:
  void Ended(int wstatus);
  void ReapGroup(double seconds);

  pid_t pid_ = -1;
  std::optional<int> status_;
  bool ended_by_signal_ = false;
  bool stopped_ = false;
};

}  // namespace corvane::pc
