#pragma once

#include <string>

#include "handheld_sim/simulated_handheld.h"
#include "link/dlp_transport.h"

namespace corvane::handheld_sim {

// What a session may be made to suffer, counting DLP requests from 1.
struct SessionPlan {
  link::Deadline deadline;
  size_t drop_after = 0;    // this request is not answered: the line goes (0: never)
  size_t silent_after = 0;  // from this request on, nothing is answered (0: never)
};

enum class SessionEnd {
  kEndOfSync,  // EndOfSync answered
  kDropped,    // the line dropped on purpose
  kLinkLost,   // the desktop went, or broke the protocol below DLP
  kTimedOut,   // the deadline came (silent on purpose or not)
};

struct SessionOutcome {
  SessionEnd end = SessionEnd::kLinkLost;
  std::string detail;  // why the link was lost
};

// Serves the desktop's requests until EndOfSync has been answered or the
// plan or the link ends the session. The caller closes the connection.
// Silent, the handheld takes what line brings and sends nothing, not even an
// acknowledgement, until the desktop hangs up or the deadline comes
// (without a line, until the deadline).
SessionOutcome ServeSession(link::DlpHandheldTransport& transport, SimulatedHandheld& handheld,
                            const SessionPlan& plan, link::ByteStream* line = nullptr);

}  // namespace corvane::handheld_sim
