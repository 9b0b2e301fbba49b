#pragma once

#include <optional>
#include <string>

#include "corvane_pc/conduit_process.h"

namespace corvane::pc {

// status.flag as the PC application reads it: trimmed of spaces and
// lower-cased; "" when missing or unreadable.
std::string ReadStage(const std::string& exchange);
// Replaces status.flag whole, so that the conduit never reads half a stage.
void WriteStage(const std::string& exchange, const std::string& stage);

enum class Outcome { kReached, kConduitFailed, kConduitEnded, kTimedOut, kInterrupted };

struct WaitResult {
  Outcome outcome;
  std::string seen;           // the stage last read
  std::optional<int> status;  // the conduit's exit status when it ended
};

// Waits until status.flag reads want, watching for the conduit's error stage
// and its end. A conduit that ends right after writing want has reached it.
WaitResult WaitForStage(const std::string& exchange, const std::string& want,
                        const std::string& error_stage, ConduitProcess& conduit, double timeout);

// SIGINT, SIGTERM and SIGHUP end a wait with kInterrupted instead of the
// process, so that the conduit is stopped too.
void CatchInterrupts();

}  // namespace corvane::pc
