#include "hotsync/relay.h"

#include <poll.h>

#include <algorithm>

#include "hotsync/conduit_launch.h"
#include "link/channel.h"
#include "support/conduit_error.h"

namespace corvane::hotsync {
namespace {

// How long a conduit that closed its channel, or broke it, has to end.
constexpr double kConduitGrace = 30;
// How often the relay looks whether the conduit has ended.
constexpr std::chrono::milliseconds kLook{200};

}  // namespace

RelayEnd Relay(link::DlpTransport& handheld, std::unique_ptr<link::FdStream> channel,
               ConduitLaunch& conduit) {
  auto last_sent = link::SteadyClock::now();
  auto last_look = last_sent;
  for (;;) {
    const auto quiet = std::chrono::duration_cast<std::chrono::milliseconds>(
        last_sent + handheld.TickleInterval() - link::SteadyClock::now());
    pollfd p{channel->fd(), POLLIN, 0};
    const int ready = ::poll(
        &p, 1, static_cast<int>(std::clamp(quiet, std::chrono::milliseconds(0), kLook).count()));
    // A conduit that ends closes its channel, which wakes the poll, so a busy
    // relay need not look at every request; one whose channel outlives it
    // (a child holds it) is still found within kLook.
    if (ready <= 0 || link::SteadyClock::now() - last_look >= kLook) {
      last_look = link::SteadyClock::now();
      if (std::optional<int> status = conduit.Poll()) return {status, ""};
    }
    try {
      if (ready <= 0) {
        if (quiet.count() <= 0) {
          handheld.Tickle();
          last_sent = link::SteadyClock::now();
        }
        continue;
      }
      Bytes request;
      try {
        request = link::ReadChannelMessage(*channel, link::After(std::chrono::seconds(10)));
      } catch (const ConduitError&) {
        // The conduit closed its end, ending, or broke the framing: either
        // way it gets no more of the handheld.
        channel.reset();
        conduit.EndOperation();
        return {conduit.Wait(kConduitGrace), ""};
      }
      const Bytes answer = handheld.Exchange(request);
      last_sent = link::SteadyClock::now();
      try {
        link::WriteChannelMessage(*channel, answer);
      } catch (const ConduitError&) {
        // The conduit is ending; the next round finds it so.
      }
    } catch (const ConduitError& e) {
      channel.reset();
      conduit.EndOperation();
      return {std::nullopt, e.description()};
    }
  }
}

}  // namespace corvane::hotsync
