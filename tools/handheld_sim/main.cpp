// corvane-handheld: a simulated handheld that serves a folder of Palm
// databases to a desktop over NetSync or the serial stack.

#include <algorithm>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "handheld_sim/desktop_connection.h"
#include "handheld_sim/session_runner.h"
#include "handheld_sim/session_stats.h"
#include "handheld_sim/session_stream.h"
#include "handheld_sim/sim_options.h"
#include "handheld_sim/simulated_handheld.h"
#include "link/netsync.h"
#include "link/serial_transport.h"
#include "platform/file_size_signal.h"
#include "platform/system_clock.h"
#include "support/atomic_file.h"
#include "support/conduit_error.h"
#include "version.h"

namespace corvane::handheld_sim {
namespace {

constexpr int kEnded = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr int kFault = 3;

void Say(const std::string& message) {
  std::fprintf(stderr, "corvane-handheld: %s\n", message.c_str());
}

// The opening of the chosen stack, then the session.
SessionOutcome Converse(const SimOptions& options, DesktopConnection& connection,
                        SessionStream& stream, SimulatedHandheld& handheld,
                        link::Deadline deadline) {
  const SessionPlan plan{deadline, options.drop_after, options.silent_after};
  if (options.link == LinkKind::kNetSync) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - link::SteadyClock::now());
    link::NetSyncHandheld transport(stream, connection.address, left);
    transport.Open();
    stream.MarkOpened();
    return ServeSession(transport, handheld, plan, &stream);
  }
  link::SerialOptions serial;
  serial.max_baud = options.baud;
  // A handheld repeats what is not acknowledged, its wakeup first of all,
  // until the desktop comes: here until the session's time is up.
  serial.padp.retries =
      std::max(serial.padp.retries,
               static_cast<int>(options.timeout * 1000 / serial.padp.ack_wait.count()) + 1);
  link::SerialHandheld transport(stream, serial);
  transport.Open(deadline);
  stream.MarkOpened();
  return ServeSession(transport, handheld, plan, &stream);
}

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", seconds);
  return text;
}

std::string Ending(const SessionOutcome& outcome, const SimOptions& options) {
  switch (outcome.end) {
    case SessionEnd::kEndOfSync:
      return {};
    case SessionEnd::kDropped:
      return "dropped the line at request " + std::to_string(options.drop_after) + ", as asked";
    case SessionEnd::kTimedOut:
      return "the session did not end within " + Seconds(options.timeout) + " seconds (" +
             outcome.detail + ")";
    case SessionEnd::kLinkLost:
      break;
  }
  return "the session ended before EndOfSync: " + outcome.detail;
}

int Run(const SimOptions& options) {
  const link::Deadline deadline =
      link::SteadyClock::now() +
      std::chrono::milliseconds(static_cast<int64_t>(options.timeout * 1000));
  SystemClock clock;
  std::vector<std::string> skipped;
  std::optional<SimulatedHandheld> handheld;
  try {
    handheld.emplace(HandheldDatabases::Load(options.folder, &skipped), options.user, clock);
  } catch (const ConduitError& e) {
    Say("cannot read the handheld folder '" + options.folder + "': " + e.Text());
    return kFailed;
  }
  for (const std::string& file : skipped) Say("passed over " + file);

  std::optional<DesktopConnection> connection;
  std::optional<SessionStream> line;
  SessionOutcome outcome;
  try {
    if (options.link == LinkKind::kSerialPty) {
      connection.emplace(OpenPseudoTerminalLine());
      std::printf("tty: %s\n", connection->tty_path.c_str());
      std::fflush(stdout);
    } else {
      connection.emplace(ConnectToDesktop(options.address, deadline));
    }
    line.emplace(*connection->stream, deadline);
    outcome = Converse(options, *connection, *line, *handheld, deadline);
  } catch (const ConduitError& e) {
    outcome = {e.number() == err::kLinkTimeout ? SessionEnd::kTimedOut : SessionEnd::kLinkLost,
               e.Text()};
  }
  if (connection) connection->Close();

  bool written = true;
  // Whatever ended the session, the handheld keeps what was written before.
  try {
    handheld->Save(options.folder);
  } catch (const ConduitError& e) {
    Say("cannot write the handheld folder back: " + e.Text());
    written = false;
  }
  for (const std::string& reason : handheld->fault_reasons()) Say("fault: " + reason);
  if (outcome.end != SessionEnd::kEndOfSync) Say(Ending(outcome, options));
  if (!options.stats.empty()) {
    try {
      WriteFileAtomically(options.stats,
                          StatsText(*handheld, line ? line->bytes_in() : 0,
                                    line ? line->bytes_out() : 0, line ? line->opening() : 0));
    } catch (const ConduitError& e) {
      Say("cannot write " + options.stats + ": " + e.Text());
      written = false;
    }
  }
  if (handheld->faults() > 0) return kFault;
  return outcome.end == SessionEnd::kEndOfSync && written ? kEnded : kFailed;
}

}  // namespace
}  // namespace corvane::handheld_sim

int main(int argc, char** argv) {
  corvane::IgnoreFileSizeSignal();
  using namespace corvane::handheld_sim;
  SimOptions options;
  try {
    options = ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "corvane-handheld: %s\nTry 'corvane-handheld --help'.\n", e.what());
    return kUsage;
  }
  if (options.help) {
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (options.version) {
    std::printf("corvane-handheld (CorvaneConduit) %s\n", corvane::kAppVersion);
    return 0;
  }
  try {
    return Run(options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "corvane-handheld: %s\n", corvane::ErrorText(e).c_str());
    return kFailed;
  }
}
