#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace corvane::hotsync {

struct LiveOptions {
  enum class Connection {
    kNetSync,       // --listen: a handheld on the network connects
    kSerialDevice,  // --serial: a tty
    kSerialTcp,     // --serial-listen: the serial stack carried over TCP
  };
  Connection connection = Connection::kNetSync;
  std::string where;  // [HOST:]PORT, or the tty
  uint32_t max_baud = 115200;
  std::optional<double> timeout;  // how long to wait for a handheld
  double answer_timeout = 60;     // how long a handheld may be silent while an answer is due
  bool pair = false;
  std::string name;  // with --pair, the user name a never-named handheld gets
};

// One HotSync session with a live handheld: waits for it, opens the link,
// reads its system and user information, checks the pairing, runs program
// as the conduit (its DLP requests carried through a channel), then adds a
// line to the handheld's HotSync log and ends the sync. Returns hotsync's
// exit status.
int RunLiveSession(const LiveOptions& options, char** program);

}  // namespace corvane::hotsync
