#pragma once

#include <cstdint>
#include <map>
#include <optional>

#include "handheld_sim/dlp_reply.h"
#include "handheld_sim/sim_database.h"

namespace corvane::handheld_sim {

struct OpenDatabase {
  SimDatabase* db = nullptr;
  bool writable = false;
};

// The databases open in a session, by handle. Handles count up from 1 and
// are never given twice in a session, as on a real handheld, so that a
// desktop using a handle it has closed is caught rather than served.
class OpenHandles {
 public:
  // The new handle; nothing when every one-byte handle has been given.
  std::optional<uint8_t> Open(SimDatabase& db, bool writable);
  bool CanOpen() const { return next_ <= 0xFF; }
  OpenDatabase* Find(uint8_t handle);
  void Close(uint8_t handle) { open_.erase(handle); }
  void CloseAll() { open_.clear(); }

  bool IsOpen(const SimDatabase& db) const;
  bool IsOpenForWriting(const SimDatabase& db) const;
  // The handle of a database open through it, or 0.
  uint8_t HandleOf(const SimDatabase& db) const;

  // The fault of a request naming a handle that is not open.
  Reply NotOpen(uint8_t handle) const;

 private:
  std::map<uint8_t, OpenDatabase> open_;
  unsigned next_ = 1;
};

// The fault of a change through a handle opened for reading only.
Reply ReadOnlyHandle(uint8_t handle);

}  // namespace corvane::handheld_sim
