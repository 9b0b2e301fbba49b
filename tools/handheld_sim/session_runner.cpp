#include "handheld_sim/session_runner.h"

#include <thread>

#include "support/conduit_error.h"

namespace corvane::handheld_sim {

SessionOutcome ServeSession(link::DlpHandheldTransport& transport, SimulatedHandheld& handheld,
                            const SessionPlan& plan, link::ByteStream* line) {
  try {
    for (size_t n = 1;; ++n) {
      const Bytes request = transport.NextRequest(plan.deadline);
      if (n == plan.drop_after) return {SessionEnd::kDropped, {}};
      if (plan.silent_after != 0 && n >= plan.silent_after) {
        // Connected and mute, as a handheld that hangs.
        if (!line) {
          std::this_thread::sleep_until(plan.deadline);
          return {SessionEnd::kTimedOut, "silent on purpose"};
        }
        for (uint8_t ignored[512];;) line->ReadSome(ignored, sizeof ignored, plan.deadline);
      }
      transport.Answer(handheld.Answer(request));
      if (handheld.ended()) return {SessionEnd::kEndOfSync, {}};
    }
  } catch (const ConduitError& e) {
    if (e.number() == err::kLinkTimeout) return {SessionEnd::kTimedOut, e.Text()};
    if (e.number() == err::kLinkClosed || e.number() == err::kLinkMalformed) {
      return {SessionEnd::kLinkLost, e.Text()};
    }
    throw;
  }
}

}  // namespace corvane::handheld_sim
