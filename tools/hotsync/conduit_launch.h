#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/system.h"

namespace corvane::hotsync {

// PROGRAM run as the conduit of a HotSync operation. Besides the variables
// given, its environment names this launcher (CORVANE_HOTSYNC_LAUNCHER) and
// the read end of a pipe whose write end only the launcher holds
// (CORVANE_HOTSYNC_ALIVE_FD): the pipe reaches end-of-file exactly when the
// launcher is gone, however it ends, or when it ends the operation on
// purpose. SIGINT, SIGTERM and SIGHUP are passed on to PROGRAM.
class ConduitLaunch {
 public:
  // program: PROGRAM and its arguments; keep: descriptors PROGRAM inherits
  // (all others are closed on exec). A PROGRAM that cannot be run ends with
  // kCannotExecute or kNotFound, having said why. Raises ConduitError when
  // no process can be started.
  ConduitLaunch(char** program, const std::vector<std::pair<std::string, std::string>>& env,
                const std::vector<int>& keep = {});
  ~ConduitLaunch();
  ConduitLaunch(const ConduitLaunch&) = delete;
  ConduitLaunch& operator=(const ConduitLaunch&) = delete;

  // Its exit status (128 + N when signal N ended it) once it has ended.
  std::optional<int> Poll();
  // Waits until it has ended; with a grace, it is killed once that many
  // seconds have passed.
  int Wait(std::optional<double> grace = std::nullopt);
  // Ends the HotSync operation for PROGRAM, which sees it end at once.
  void EndOperation() { alive_.Reset(); }

 private:
  pid_t pid_ = -1;
  sys::Fd alive_;  // the pipe's write end
  std::optional<int> status_;
};

}  // namespace corvane::hotsync
