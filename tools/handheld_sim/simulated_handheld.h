#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "handheld_sim/database_commands.h"
#include "handheld_sim/handheld_databases.h"
#include "handheld_sim/open_handles.h"
#include "handheld_sim/record_commands.h"
#include "handheld_sim/session_commands.h"
#include "support/bytes.h"
#include "support/clock.h"

namespace corvane::handheld_sim {

enum class SyncEnd { kNone, kNormal, kError };

// The handheld's side of DLP: each request the desktop sends is answered as
// a Palm OS handheld answers it, from databases held in memory. Strict about
// every request: one that does not decode or breaks the protocol (wrong
// arguments or sizes, a handle that is not open, a change through a
// read-only handle ...) is answered with the handheld's DLP error and
// counted as a fault. An ordinary refusal (a database or record that is not
// there) is no fault.
class SimulatedHandheld {
 public:
  SimulatedHandheld(HandheldDatabases databases, HandheldUser user, const Clock& clock);
  SimulatedHandheld(const SimulatedHandheld&) = delete;
  SimulatedHandheld& operator=(const SimulatedHandheld&) = delete;

  // The encoded answer to an encoded request; never raises for what the
  // request holds.
  Bytes Answer(const Bytes& request);

  // Writes the changed databases back into folder (see HandheldDatabases::Save).
  void Save(const std::string& folder) { databases_.Save(folder); }

  size_t requests() const { return requests_; }
  // The DLP messages both ways, their bytes, and the pieces of at most 1 KiB
  // they take: what the least framing of a stack is counted from.
  uint64_t message_bytes() const { return message_bytes_; }
  uint64_t message_pieces() const { return message_pieces_; }
  size_t faults() const { return fault_reasons_.size(); }
  // "ReadRecord (0x20): handle 3 is not open", one per fault.
  const std::vector<std::string>& fault_reasons() const { return fault_reasons_; }
  // Requests by command name ("ReadRecord", or "0x4F" for an unknown one).
  std::map<std::string, size_t> per_command() const;
  const std::vector<std::string>& sync_log() const { return session_.sync_log(); }
  SyncEnd sync_end() const;
  // EndOfSync's status as the desktop sent it (0 normal, 1 out of memory,
  // 2 cancelled by the user, 3 or more any other error), once it came.
  const std::optional<uint16_t>& end_status() const { return session_.end_status(); }
  bool ended() const { return session_.end_status().has_value(); }

 private:
  Reply Dispatch(const link::DlpRequest& request);

  HandheldDatabases databases_;
  OpenHandles handles_;
  SessionCommands session_;
  DatabaseCommands database_commands_;
  RecordCommands record_commands_;
  size_t requests_ = 0;
  uint64_t message_bytes_ = 0;
  uint64_t message_pieces_ = 0;
  std::vector<std::string> fault_reasons_;
  // Counted by command byte; named only when asked for.
  std::array<uint64_t, 256> per_command_{};
};

// The command's name alone ("ReadRecord"), or its number ("0x4F").
std::string CommandKey(uint8_t command);

}  // namespace corvane::handheld_sim
