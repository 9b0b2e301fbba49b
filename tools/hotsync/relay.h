#pragma once

#include <memory>
#include <optional>
#include <string>

#include "link/byte_stream.h"
#include "link/dlp_transport.h"

namespace corvane::hotsync {

class ConduitLaunch;

struct RelayEnd {
  std::optional<int> status;  // the conduit's, when it ended
  std::string failure;        // why the handheld's link failed; "" when it did not
};

// Carries the conduit's DLP requests from the channel to the handheld and
// the answers back, one at a time, until the conduit ends; while the
// conduit sends nothing, the link gets its tickles, and nothing else, so that
// a synchronisation makes the same requests at any pace of the PC
// application. A link that fails ends the HotSync operation for the conduit
// (the channel closes, the launcher's pipe ends) and the relay.
RelayEnd Relay(link::DlpTransport& handheld, std::unique_ptr<link::FdStream> channel,
               ConduitLaunch& conduit);

}  // namespace corvane::hotsync
