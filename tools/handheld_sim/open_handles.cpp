#include "handheld_sim/open_handles.h"

namespace corvane::handheld_sim {

std::optional<uint8_t> OpenHandles::Open(SimDatabase& db, bool writable) {
  if (!CanOpen()) return std::nullopt;
  const auto handle = static_cast<uint8_t>(next_++);
  open_[handle] = OpenDatabase{&db, writable};
  return handle;
}

OpenDatabase* OpenHandles::Find(uint8_t handle) {
  const auto found = open_.find(handle);
  return found == open_.end() ? nullptr : &found->second;
}

bool OpenHandles::IsOpen(const SimDatabase& db) const {
  return HandleOf(db) != 0;
}

bool OpenHandles::IsOpenForWriting(const SimDatabase& db) const {
  for (const auto& [handle, open] : open_) {
    if (open.db == &db && open.writable) return true;
  }
  return false;
}

uint8_t OpenHandles::HandleOf(const SimDatabase& db) const {
  for (const auto& [handle, open] : open_) {
    if (open.db == &db) return handle;
  }
  return 0;
}

Reply OpenHandles::NotOpen(uint8_t handle) const {
  // With nothing open at all the handheld says so; otherwise the handle is a wrong argument.
  return Fault(open_.empty() ? link::dlp::kErrNoneOpen : link::dlp::kErrParam,
               "handle " + std::to_string(handle) + " is not open");
}

Reply ReadOnlyHandle(uint8_t handle) {
  return Fault(link::dlp::kErrReadOnly, "handle " + std::to_string(handle) + " is read-only");
}

}  // namespace corvane::handheld_sim
