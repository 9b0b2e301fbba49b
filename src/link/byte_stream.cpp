#include "link/byte_stream.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "support/conduit_error.h"
#include "support/system.h"

namespace corvane::link {
namespace {

// Longer than any handheld takes to drain what it was sent.
constexpr std::chrono::milliseconds kWriteStallLimit{60000};

ConduitError Closed(const std::string& name) {
  return ConduitError(err::kLinkClosed, "The handheld's connection is gone: " + name);
}

}  // namespace

void ReadExactly(ByteStream& stream, uint8_t* data, size_t size, Deadline deadline) {
  size_t done = 0;
  while (done < size) done += stream.ReadSome(data + done, size - done, deadline);
}

size_t PrefixedStream::ReadSome(uint8_t* data, size_t size, Deadline deadline) {
  if (at_ == prefix_.size()) return inner_.ReadSome(data, size, deadline);
  const size_t n = std::min(size, prefix_.size() - at_);
  std::copy(prefix_.begin() + at_, prefix_.begin() + at_ + n, data);
  at_ += n;
  return n;
}

FdStream::FdStream(sys::Fd fd, std::string name) : fd_(std::move(fd)), name_(std::move(name)) {
  // Never blocked in a call: every wait goes through poll with its deadline,
  // so a handheld that stops reading cannot hold a write for ever.
  const int flags = ::fcntl(fd_.get(), F_GETFL);
  if (flags >= 0) ::fcntl(fd_.get(), F_SETFL, flags | O_NONBLOCK);
}

size_t FdStream::ReadSome(uint8_t* data, size_t size, Deadline deadline) {
  for (;;) {
    // What is there already is taken at once; only an empty line is waited on.
    const ssize_t n = ::read(fd_.get(), data, size);
    if (n > 0) return static_cast<size_t>(n);
    if (n == 0) throw Closed(name_);
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) {
      // A reset connection or a tty that went away is a dropped line like any other.
      throw Closed(name_ + " (" + ConduitError::FromErrno(errno).description() + ")");
    }
    if (!sys::WaitFor(fd_.get(), POLLIN, deadline, name_)) {
      throw ConduitError(err::kLinkTimeout, "No answer from the handheld in time: " + name_);
    }
  }
}

void FdStream::Write(const uint8_t* data, size_t size) {
  size_t done = 0;
  Deadline stalled = After(kWriteStallLimit);
  while (done < size) {
    ssize_t n = ::send(fd_.get(), data + done, size - done, MSG_NOSIGNAL);
    if (n < 0 && errno == ENOTSOCK) n = ::write(fd_.get(), data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (SteadyClock::now() >= stalled) {
        throw ConduitError(err::kLinkTimeout, "The handheld takes no more data: " + name_);
      }
      pollfd p{fd_.get(), POLLOUT, 0};
      ::poll(&p, 1, 1000);
      continue;
    }
    if (n <= 0) {
      throw Closed(name_ + (n < 0 ? " (" + ConduitError::FromErrno(errno).description() + ")"
                                  : std::string()));
    }
    done += static_cast<size_t>(n);
    stalled = After(kWriteStallLimit);
  }
}

}  // namespace corvane::link
