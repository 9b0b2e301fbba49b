#pragma once

#include <chrono>
#include <cstdint>
#include <span>

#include "link/byte_stream.h"
#include "link/dlp_transport.h"

namespace corvane::link {

// NetSync, the network HotSync stack: every message travels in a datagram
// with a 6-byte header (type, transaction id, 32-bit big-endian length).
// The handheld opens with a fixed exchange of three datagrams each way;
// after it, each DLP request goes out with the next transaction id and its
// answer comes back with the same one.
namespace netsync {
inline constexpr uint8_t kData = 1;
inline constexpr uint8_t kTickle = 2;
inline constexpr size_t kHeaderSize = 6;
// How long an answer may keep us waiting.
inline constexpr std::chrono::milliseconds kSilenceLimit{60000};
// Well inside the ~30 s after which a handheld gives an idle link up.
inline constexpr std::chrono::milliseconds kTickleInterval{5000};
}  // namespace netsync

struct NetSyncDatagram {
  uint8_t type = netsync::kData;
  uint8_t transaction = 0;
  Bytes payload;
};

// Reads one datagram, waiting at most until deadline. An unknown type or a
// length over kMaxDlpMessage raises kLinkMalformed.
NetSyncDatagram ReadDatagram(ByteStream& stream, Deadline deadline);
// Writes one datagram: its header and payload in a single write.
void WriteDatagram(ByteStream& stream, uint8_t type, uint8_t transaction,
                   std::span<const uint8_t> payload);

// Where the handheld says it is in its opening. The address and port are
// big-endian; the two 16-bit and two 32-bit fields before them come in
// one byte order from devices and in the other from some emulators.
enum class AddressLayout { kDevice, kEmulator };
struct HandheldAddress {
  uint32_t ip = 0;  // 192.168.2.4 is 0xC0A80204
  uint16_t port = 0;
  AddressLayout layout = AddressLayout::kDevice;

  bool operator==(const HandheldAddress&) const = default;
};

// The desktop's end: Open() answers the handheld's opening; then each
// Exchange is one DLP request and its answer. Tickles from the handheld are
// taken in passing.
class NetSyncDesktop : public DlpTransport {
 public:
  explicit NetSyncDesktop(ByteStream& stream,
                          std::chrono::milliseconds silence_limit = netsync::kSilenceLimit);

  void Open();
  Bytes Exchange(const Bytes& request) override;
  void Tickle() override;
  std::chrono::milliseconds TickleInterval() const override { return netsync::kTickleInterval; }

  // What the handheld said of itself in the opening.
  const HandheldAddress& handheld() const { return handheld_; }

 private:
  // The next datagram of data, which must carry transaction; what names it
  // for the error.
  Bytes Expect(uint8_t transaction, const char* what);

  ByteStream& stream_;
  std::chrono::milliseconds silence_limit_;
  uint8_t next_transaction_ = 1;
  HandheldAddress handheld_;
};

// The handheld's end, for the simulated handheld: Open() plays the
// handheld's opening (with its address), then NextRequest and Answer serve
// the desktop's requests.
class NetSyncHandheld : public DlpHandheldTransport {
 public:
  NetSyncHandheld(ByteStream& stream, HandheldAddress address,
                  std::chrono::milliseconds silence_limit = netsync::kSilenceLimit);

  void Open();
  Bytes NextRequest(Deadline deadline) override;
  void Answer(const Bytes& response) override;

 private:
  ByteStream& stream_;
  HandheldAddress address_;
  std::chrono::milliseconds silence_limit_;
  int last_transaction_ = -1;  // none yet
};

}  // namespace corvane::link
