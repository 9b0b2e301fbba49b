#pragma once

#include <termios.h>

#include <cstdint>
#include <string>
#include <utility>

#include "support/system.h"

namespace corvane::sys {

// A tty as a serial HotSync uses it: raw, 8 data bits, no parity, no flow
// control, at the rate the two ends agree on. It is held for the run (a
// second user of the same device is refused), and its settings are put back
// as they were found when this object goes. Failures raise ConduitError.
class SerialPort {
 public:
  // Opens device without becoming its controlling terminal and without
  // waiting for a carrier, at 9600 baud, the rate every handheld wakes at.
  explicit SerialPort(const std::string& device);
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Raises err::kBadArgument for a rate a tty cannot be set to.
  void SetBaud(uint32_t baud);
  // A descriptor of the same tty, for a stream to read and write.
  Fd Duplicate() const;
  const std::string& device() const { return device_; }

 private:
  std::string device_;
  Fd fd_;
  termios saved_{};
};

// A pseudo-terminal, as a tty to run a serial HotSync over without a cable:
// its master end and the path of its other end.
std::pair<Fd, std::string> OpenPseudoTerminal();

// Whether baud is a rate SerialPort takes.
bool IsSerialRate(uint32_t baud);

}  // namespace corvane::sys
