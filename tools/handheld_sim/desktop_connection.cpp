#include "handheld_sim/desktop_connection.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <thread>

#include "support/conduit_error.h"
#include "support/serial_port.h"
#include "support/socket.h"

namespace corvane::handheld_sim {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kRetryPause{100};
constexpr milliseconds kAttemptLimit{2000};

// The address of our end of the connection, as a handheld announces its own.
link::HandheldAddress LocalAddress(const sys::Fd& socket) {
  sockaddr_storage address{};
  socklen_t size = sizeof address;
  link::HandheldAddress ours;
  if (::getsockname(socket.get(), reinterpret_cast<sockaddr*>(&address), &size) == 0 &&
      address.ss_family == AF_INET) {
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
    ours.ip = ntohl(v4.sin_addr.s_addr);
    ours.port = ntohs(v4.sin_port);
  }
  return ours;
}

}  // namespace

DesktopConnection ConnectToDesktop(const std::string& address, link::Deadline deadline) {
  const sys::HostPort where = sys::ParseHostPort(address);
  for (;;) {
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - link::SteadyClock::now());
    try {
      sys::Fd socket = sys::Connect(where, std::clamp(left, milliseconds{1}, kAttemptLimit));
      DesktopConnection connection;
      connection.address = LocalAddress(socket);
      connection.stream = std::make_unique<link::FdStream>(std::move(socket), sys::ToText(where));
      return connection;
    } catch (const ConduitError& e) {
      // The desktop may not be listening yet; an address that cannot be used never will.
      if (e.number() == err::kBadArgument || link::SteadyClock::now() + kRetryPause >= deadline) {
        throw;
      }
    }
    std::this_thread::sleep_for(kRetryPause);
  }
}

DesktopConnection OpenPseudoTerminalLine() {
  auto [ours, path] = sys::OpenPseudoTerminal();
  DesktopConnection connection;
  connection.held_tty = sys::Open(path, O_RDWR | O_NOCTTY);
  connection.tty_path = path;
  connection.stream = std::make_unique<link::FdStream>(std::move(ours), path);
  return connection;
}

}  // namespace corvane::handheld_sim
