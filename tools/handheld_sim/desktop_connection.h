#pragma once

#include <memory>
#include <string>

#include "link/byte_stream.h"
#include "link/netsync.h"
#include "support/system.h"

namespace corvane::handheld_sim {

// The handheld's line to the desktop for one session.
struct DesktopConnection {
  std::unique_ptr<link::FdStream> stream;
  // A pseudo-terminal's other end, held open by the handheld too, so that its
  // own end never reads end-of-line before the desktop has opened the tty.
  sys::Fd held_tty;
  std::string tty_path;
  // Where the handheld says it is, as NetSync's opening tells the desktop.
  link::HandheldAddress address;

  // Hangs up: the desktop sees the line go.
  void Close() {
    stream.reset();
    held_tty.Reset();
  }
};

// A TCP connection to the desktop at "HOST:PORT", tried again and again
// until deadline while the desktop is not listening yet. Raises ConduitError.
DesktopConnection ConnectToDesktop(const std::string& address, link::Deadline deadline);
// A pseudo-terminal for the desktop to open as its serial port.
DesktopConnection OpenPseudoTerminalLine();

}  // namespace corvane::handheld_sim
