#include "support/socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "support/conduit_error.h"

namespace corvane::sys {
namespace {

ConduitError BadAddress(const std::string& text, const std::string& why) {
  return ConduitError(err::kBadArgument, "not an address to use: '" + text + "' (" + why + ")");
}

struct AddressList {
  addrinfo* first = nullptr;
  ~AddressList() {
    if (first) ::freeaddrinfo(first);
  }
};

void Resolve(const HostPort& where, int flags, AddressList& out) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = flags | AI_NUMERICSERV;
  const std::string port = std::to_string(where.port);
  const int rc = ::getaddrinfo(where.host.empty() ? nullptr : where.host.c_str(), port.c_str(),
                               &hints, &out.first);
  if (rc != 0) throw BadAddress(ToText(where), ::gai_strerror(rc));
}

// The moment timeout from now (without one, never).
std::chrono::steady_clock::time_point Within(std::optional<std::chrono::milliseconds> timeout) {
  return timeout ? std::chrono::steady_clock::now() + *timeout
                 : std::chrono::steady_clock::time_point::max();
}

std::string PeerText(const sockaddr_storage& address) {
  char host[NI_MAXHOST] = "?", port[NI_MAXSERV] = "?";
  ::getnameinfo(reinterpret_cast<const sockaddr*>(&address), sizeof address, host, sizeof host,
                port, sizeof port, NI_NUMERICHOST | NI_NUMERICSERV);
  return std::string(host) + ":" + port;
}

// Small DLP messages go out at once, not held back to be joined.
void NoDelay(const Fd& socket) {
  int one = 1;
  ::setsockopt(socket.get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

}  // namespace

HostPort ParseHostPort(const std::string& text, const std::string& default_host) {
  const size_t colon = text.rfind(':');
  HostPort where{colon == std::string::npos ? default_host : text.substr(0, colon), 0};
  if (where.host.size() > 2 && where.host.front() == '[' && where.host.back() == ']') {
    where.host = where.host.substr(1, where.host.size() - 2);  // [::1]:14238
  }
  const std::string port = colon == std::string::npos ? text : text.substr(colon + 1);
  if (port.empty() || port.size() > 5 ||
      port.find_first_not_of("0123456789") != std::string::npos || std::stoul(port) > 65535) {
    throw BadAddress(text, "no port number");
  }
  where.port = static_cast<uint16_t>(std::stoul(port));
  if (where.host.empty()) throw BadAddress(text, "no host");
  return where;
}

std::string ToText(const HostPort& where) {
  const bool v6 = where.host.find(':') != std::string::npos;
  return (v6 ? "[" + where.host + "]" : where.host) + ":" + std::to_string(where.port);
}

Fd Listen(const HostPort& where) {
  AddressList addresses;
  Resolve(where, AI_PASSIVE, addresses);
  int last_error = EADDRNOTAVAIL;
  for (addrinfo* a = addresses.first; a; a = a->ai_next) {
    Fd socket(::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol));
    if (!socket.valid()) {
      last_error = errno;
      continue;
    }
    int one = 1;
    ::setsockopt(socket.get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(socket.get(), a->ai_addr, a->ai_addrlen) == 0 && ::listen(socket.get(), 4) == 0) {
      return socket;
    }
    last_error = errno;
  }
  throw ConduitError::FromErrno(last_error, "cannot listen on " + ToText(where));
}

uint16_t LocalPort(const Fd& listener) {
  sockaddr_storage address{};
  socklen_t size = sizeof address;
  if (::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    throw ConduitError::FromErrno(errno, "getsockname");
  }
  return ntohs(address.ss_family == AF_INET6
                   ? reinterpret_cast<const sockaddr_in6*>(&address)->sin6_port
                   : reinterpret_cast<const sockaddr_in*>(&address)->sin_port);
}

std::optional<Accepted> Accept(const Fd& listener,
                               std::optional<std::chrono::milliseconds> timeout) {
  for (;;) {
    if (!WaitFor(listener.get(), POLLIN, Within(timeout), "poll")) return std::nullopt;
    sockaddr_storage address{};
    socklen_t size = sizeof address;
    Fd socket(
        ::accept4(listener.get(), reinterpret_cast<sockaddr*>(&address), &size, SOCK_CLOEXEC));
    if (socket.valid()) {
      NoDelay(socket);
      return Accepted{std::move(socket), PeerText(address)};
    }
    // A connection that went away before it was taken is no connection.
    if (errno != EINTR && errno != ECONNABORTED && errno != EAGAIN) {
      throw ConduitError::FromErrno(errno, "accept");
    }
  }
}

Fd Connect(const HostPort& where, std::chrono::milliseconds timeout) {
  AddressList addresses;
  Resolve(where, 0, addresses);
  int last_error = EADDRNOTAVAIL;
  for (addrinfo* a = addresses.first; a; a = a->ai_next) {
    Fd socket(
        ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol));
    if (!socket.valid()) {
      last_error = errno;
      continue;
    }
    if (::connect(socket.get(), a->ai_addr, a->ai_addrlen) != 0 && errno != EINPROGRESS) {
      last_error = errno;
      continue;
    }
    if (!WaitFor(socket.get(), POLLOUT, Within(timeout), "poll")) {
      last_error = ETIMEDOUT;
      continue;
    }
    int error = 0;
    socklen_t size = sizeof error;
    ::getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, &error, &size);
    if (error != 0) {
      last_error = error;
      continue;
    }
    const int flags = ::fcntl(socket.get(), F_GETFL);
    ::fcntl(socket.get(), F_SETFL, flags & ~O_NONBLOCK);
    NoDelay(socket);
    return socket;
  }
  throw ConduitError::FromErrno(last_error, "cannot connect to " + ToText(where));
}

}  // namespace corvane::sys
