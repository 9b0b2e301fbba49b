#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

#include "link/byte_stream.h"
#include "link/cmp.h"
#include "link/dlp_transport.h"
#include "link/padp.h"

namespace corvane::link {

struct SerialOptions {
  // The desktop's fastest rate; on the handheld's end, the rate its wakeup offers.
  uint32_t max_baud = 115200;
  // How long the desktop waits for an answer while nothing at all arrives;
  // a busy handheld tickles meanwhile.
  std::chrono::milliseconds silence_limit{60000};
  // Well inside the half minute a handheld waits for the desktop's next request.
  std::chrono::milliseconds tickle_interval{10000};
  PadpTimings padp;
};

// The desktop's end of the serial stack (SLP, PADP, CMP) over a tty or a
// TCP stream that carries it.
class SerialDesktop : public DlpTransport {
 public:
  // on_baud hears the rate agreed with the handheld once the handheld has
  // acknowledged it, so that a tty can be switched to it.
  SerialDesktop(ByteStream& stream, std::function<void(uint32_t)> on_baud,
                SerialOptions options = {});

  // Waits until deadline for the handheld's wakeup (loop-back packets are
  // passed over), sends the init and takes its acknowledgement.
  void Open(Deadline deadline);
  // An answer must carry its request's transaction id, else kLinkMalformed.
  Bytes Exchange(const Bytes& request) override;
  void Tickle() override;
  std::chrono::milliseconds TickleInterval() const override { return options_.tickle_interval; }
  // After the last exchange: acknowledges what the handheld still repeats
  // until it hangs up or linger has passed, so that it ends in peace.
  void Finish(std::chrono::milliseconds linger);

 private:
  uint8_t NextXid();

  PadpLink padp_;
  std::function<void(uint32_t)> on_baud_;
  SerialOptions options_;
  uint8_t next_xid_ = 1;
};

// The handheld's end, as the simulated handheld plays it.
class SerialHandheld : public DlpHandheldTransport {
 public:
  explicit SerialHandheld(ByteStream& stream, SerialOptions options = {});

  // Sends the wakeup, takes the desktop's init until deadline and
  // acknowledges it; the rate agreed.
  uint32_t Open(Deadline deadline);
  Bytes NextRequest(Deadline deadline) override;
  void Answer(const Bytes& response) override;

 private:
  PadpLink padp_;
  SerialOptions options_;
  uint8_t request_xid_ = 0;
};

}  // namespace corvane::link
