#include "corvane_pc/handshake.h"

#include <signal.h>

#include <chrono>
#include <csignal>
#include <exception>
#include <thread>

#include "control/stage_texts.h"
#include "support/atomic_file.h"
#include "support/exchange_path.h"
#include "support/text_file.h"
#include "support/text_ops.h"

namespace corvane::pc {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int) {
  g_interrupted = 1;
}

}  // namespace

std::string ReadStage(const std::string& exchange) {
  try {
    std::string path = JoinPath(exchange, kStatusFileName);
    if (!RegularFileExists(path)) return "";
    return ToLowerAscii(TrimSpaces(ReadWholeFile(path)));
  } catch (const std::exception&) {
    return "";  // caught mid-write: the next poll reads it again
  }
}

void WriteStage(const std::string& exchange, const std::string& stage) {
  WriteFileAtomically(JoinPath(exchange, kStatusFileName), stage);
}

WaitResult WaitForStage(const std::string& exchange, const std::string& want,
                        const std::string& error_stage, ConduitProcess& conduit, double timeout) {
  const std::string wanted = ToLowerAscii(want);
  const std::string failed = ToLowerAscii(error_stage);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout);
  for (;;) {
    std::optional<int> status = conduit.Poll();
    std::string seen = ReadStage(exchange);
    if (seen == wanted) return {Outcome::kReached, seen, status};
    if (seen == failed) return {Outcome::kConduitFailed, seen, status};
    if (status) return {Outcome::kConduitEnded, seen, status};
    if (g_interrupted) return {Outcome::kInterrupted, seen, status};
    if (std::chrono::steady_clock::now() >= deadline) return {Outcome::kTimedOut, seen, status};
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

void CatchInterrupts() {
  struct sigaction sa {};
  sa.sa_handler = OnInterrupt;
  sigemptyset(&sa.sa_mask);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(sig, &sa, nullptr);
}

}  // namespace corvane::pc
