#include "corvane_pc/handshake.h"

#include <signal.h>

#include <csignal>

#include "common/status_wait.h"
#include "exchange/exchange_files.h"
#include "exchange/small_file.h"
#include "support/atomic_file.h"
#include "support/join_path.h"
#include "support/text_ops.h"

namespace corvane::pc {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int) {
  g_interrupted = 1;
}

}  // namespace

std::string ReadStage(const std::string& exchange) {
  return ReadStatusText(JoinPath(exchange, kStatusFileName));
}

void WriteStage(const std::string& exchange, const std::string& stage) {
  WriteFileAtomically(JoinPath(exchange, kStatusFileName), stage);
}

WaitResult WaitForStage(const std::string& exchange, const std::string& want,
                        const std::string& error_stage, ConduitProcess& conduit, double timeout) {
  const std::string wanted = ToLowerAscii(want);
  const std::string failed = ToLowerAscii(error_stage);
  WaitResult result{Outcome::kTimedOut, "", std::nullopt};
  // The conduit is asked first, so that one that ends right after writing
  // want is seen to have reached it.
  const StatusWait wait = WaitForStatus(
      JoinPath(exchange, kStatusFileName), timeout,
      [&](const std::string& seen) {
        if (seen == wanted)
          result.outcome = Outcome::kReached;
        else if (seen == failed)
          result.outcome = Outcome::kConduitFailed;
        else if (result.status)
          result.outcome = Outcome::kConduitEnded;
        else if (g_interrupted)
          result.outcome = Outcome::kInterrupted;
        else
          return false;
        return true;
      },
      [&] { result.status = conduit.Poll(); });
  result.seen = wait.seen;
  return result;
}

void CatchInterrupts() {
  struct sigaction sa {};
  sa.sa_handler = OnInterrupt;
  sigemptyset(&sa.sa_mask);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(sig, &sa, nullptr);
}

}  // namespace corvane::pc
