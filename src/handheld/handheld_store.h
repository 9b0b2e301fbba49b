#pragma once

#include <memory>
#include <string>

#include "support/conduit_error.h"

namespace corvane {

class Clock;
class RecordDatabase;

// The handheld's databases, as the sync library reaches them during one
// HotSync operation: a folder of Palm database files, or a live handheld.
// Changes stay with the store until Flush() writes them.
class HandheldStore {
 public:
  virtual ~HandheldStore() = default;

  // The database called name; raises DatabaseNotFound(name) when the
  // handheld has none.
  virtual std::shared_ptr<RecordDatabase> OpenDatabase(const std::string& name) = 0;
  // Writes what changed, dated by clock where the store keeps dates; raises
  // ConduitError when a write fails.
  virtual void Flush(const Clock& clock) = 0;
  // True when some database differs from what the handheld holds.
  virtual bool HasChanges() const = 0;
  // The end of the run: what the store holds open is let go.
  virtual void Close() {}
};

// What every store raises for a database the handheld does not have, worded
// alike so that the log reads the same whatever the store.
inline ConduitError DatabaseNotFound(const std::string& name) {
  return ConduitError(err::kNotFound, "Record, database or folder not found: " + name);
}

}  // namespace corvane
