#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "support/system.h"

namespace corvane::sys {

// TCP as the live handheld's connections use it: a desktop that listens for
// a handheld (NetSync, or an emulator's serial port carried over TCP), and a
// simulated handheld that connects. Failures raise ConduitError (errno, or
// err::kBadArgument for an address that cannot be read).

struct HostPort {
  std::string host;
  uint16_t port = 0;
};
// "[HOST:]PORT"; a port alone is on default_host.
HostPort ParseHostPort(const std::string& text, const std::string& default_host = "127.0.0.1");
std::string ToText(const HostPort& where);

// A socket listening on where (the address taken again at once when an
// earlier run left it waiting).
Fd Listen(const HostPort& where);
// The port a listening socket has (for one that asked for port 0).
uint16_t LocalPort(const Fd& listener);
// The next connection and where it comes from, waiting at most timeout
// (without one, for ever); nothing when the time is up.
struct Accepted {
  Fd socket;
  std::string peer;  // "host:port"
};
std::optional<Accepted> Accept(const Fd& listener,
                               std::optional<std::chrono::milliseconds> timeout);
// A connection to where, waiting at most timeout for it.
Fd Connect(const HostPort& where, std::chrono::milliseconds timeout);

}  // namespace corvane::sys
