#include "handheld/live_handheld.h"

#include "handheld/launcher_watch.h"
#include "handheld/live_database.h"

namespace corvane {

LiveHandheld::LiveHandheld(link::DlpTransport& transport,
                           std::shared_ptr<const LauncherWatch> watch)
    : dlp_(transport), watch_(std::move(watch)) {}

LiveHandheld::~LiveHandheld() = default;

void LiveHandheld::Fail(const ConduitError& e) {
  switch (e.number()) {
    case err::kLinkClosed:
    case err::kLinkTimeout:
    case err::kLinkMalformed:
      if (watch_) {
        watch_->MarkEnded(e.description());
        watch_->ThrowIfEnded();
      }
      throw ConduitError(err::kHotSyncEnded, "The HotSync operation has ended: " + e.description());
    default:
      throw e;
  }
}

std::shared_ptr<RecordDatabase> LiveHandheld::OpenDatabase(const std::string& name) {
  if (auto found = open_.find(name); found != open_.end()) return found->second;
  uint8_t handle = 0;
  // Private records too: a handheld folder holds them like any other, and a
  // private flight must reach the logbook before the flights are emptied.
  try {
    handle = Guarded([&] { return dlp_.OpenDB(name, link::OpenMode::kReadSecret); });
  } catch (const ConduitError& e) {
    if (e.number() != err::kNotFound) throw;
    throw DatabaseNotFound(name);
  }
  const size_t count = Guarded([&] { return dlp_.ReadOpenDBInfo(handle); });
  auto db = std::make_shared<LiveDatabase>(*this, dlp_, name, handle, count);
  open_.emplace(name, db);
  return db;
}

void LiveHandheld::Flush(const Clock&) {
  std::optional<ConduitError> first_failure;
  for (auto& [name, db] : open_) {
    try {
      db->Write();
    } catch (const ConduitError& e) {
      if (e.number() == err::kHotSyncEnded) throw;
      // The other databases still get their chance to be written.
      if (!first_failure) first_failure = e;
    }
  }
  if (first_failure) throw *first_failure;
}

bool LiveHandheld::HasChanges() const {
  for (const auto& [name, db] : open_) {
    if (db->dirty()) return true;
  }
  return false;
}

void LiveHandheld::Close() {
  for (auto& [name, db] : open_) {
    try {
      db->Close();
    } catch (const ConduitError&) {
      return;  // the run ends all the same
    }
  }
}

}  // namespace corvane
