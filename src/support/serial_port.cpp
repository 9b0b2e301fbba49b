#include "support/serial_port.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "support/conduit_error.h"

namespace corvane::sys {
namespace {

struct Rate {
  uint32_t baud;
  speed_t speed;
};
constexpr Rate kRates[] = {{9600, B9600},   {19200, B19200},   {38400, B38400},
                           {57600, B57600}, {115200, B115200}, {230400, B230400}};

speed_t SpeedOf(uint32_t baud) {
  for (const Rate& r : kRates) {
    if (r.baud == baud) return r.speed;
  }
  throw ConduitError(err::kBadArgument, "a serial port cannot run at " + std::to_string(baud) +
                                            " baud");
}

}  // namespace

bool IsSerialRate(uint32_t baud) {
  for (const Rate& r : kRates) {
    if (r.baud == baud) return true;
  }
  return false;
}

SerialPort::SerialPort(const std::string& device)
    : device_(device), fd_(Open(device, O_RDWR | O_NOCTTY | O_NONBLOCK)) {
  if (!::isatty(fd_.get())) throw ConduitError::FromErrno(ENOTTY, device);
  if (::flock(fd_.get(), LOCK_EX | LOCK_NB) != 0) {
    throw ConduitError::FromErrno(errno, device + " is held by another program");
  }
  if (::tcgetattr(fd_.get(), &saved_) != 0) throw ConduitError::FromErrno(errno, device);
  termios raw = saved_;
  ::cfmakeraw(&raw);
  raw.c_cflag |= CLOCAL | CREAD;
  raw.c_cflag &= ~(CSTOPB | CRTSCTS);
  raw.c_iflag &= ~(IXON | IXOFF | IXANY);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  ::cfsetispeed(&raw, B9600);
  ::cfsetospeed(&raw, B9600);
  if (::tcsetattr(fd_.get(), TCSANOW, &raw) != 0) throw ConduitError::FromErrno(errno, device);
}

SerialPort::~SerialPort() {
  ::tcsetattr(fd_.get(), TCSANOW, &saved_);
}

void SerialPort::SetBaud(uint32_t baud) {
  const speed_t speed = SpeedOf(baud);
  termios now{};
  if (::tcgetattr(fd_.get(), &now) != 0) throw ConduitError::FromErrno(errno, device_);
  ::cfsetispeed(&now, speed);
  ::cfsetospeed(&now, speed);
  // Only once what was written at the old rate has gone out.
  if (::tcsetattr(fd_.get(), TCSADRAIN, &now) != 0) throw ConduitError::FromErrno(errno, device_);
}

Fd SerialPort::Duplicate() const {
  Fd copy(::fcntl(fd_.get(), F_DUPFD_CLOEXEC, 0));
  if (!copy.valid()) throw ConduitError::FromErrno(errno, device_);
  return copy;
}

std::pair<Fd, std::string> OpenPseudoTerminal() {
  Fd master(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (!master.valid()) throw ConduitError::FromErrno(errno, "posix_openpt");
  char name[128];
  if (::grantpt(master.get()) != 0 || ::unlockpt(master.get()) != 0 ||
      ::ptsname_r(master.get(), name, sizeof name) != 0) {
    throw ConduitError::FromErrno(errno, "pseudo-terminal");
  }
  // The master end as raw as the other: no echo, no line editing.
  termios raw{};
  if (::tcgetattr(master.get(), &raw) == 0) {
    ::cfmakeraw(&raw);
    ::tcsetattr(master.get(), TCSANOW, &raw);
  }
  return {std::move(master), name};
}

}  // namespace corvane::sys
