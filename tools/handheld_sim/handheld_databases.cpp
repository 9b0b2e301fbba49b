#include "handheld_sim/handheld_databases.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <map>

#include "handheld/handheld_folder.h"
#include "support/atomic_file.h"
#include "support/conduit_error.h"
#include "support/text_ops.h"

namespace corvane::handheld_sim {
namespace {

namespace fs = std::filesystem;

}  // namespace

HandheldDatabases HandheldDatabases::Load(const std::string& folder,
                                          std::vector<std::string>* skipped) {
  // A writer killed between its temporary and the rename leaves the
  // temporary; the database file itself is whole.
  RemoveStaleTemporaries(folder);
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code type_ec;
    const std::string name = it->path().filename().string();
    if (HasPdbExtension(it->path()) && it->is_regular_file(type_ec)) names.push_back(name);
  }
  if (ec) throw ConduitError::FromErrno(ec.value(), folder);
  std::sort(names.begin(), names.end());

  std::map<std::string, std::unique_ptr<SimDatabase>> by_name;
  for (const std::string& file_name : names) {
    auto db = std::make_unique<SimDatabase>();
    try {
      db->file = ReadPdbFile((fs::path(folder) / file_name).string());
    } catch (const ConduitError& e) {
      if (skipped) skipped->push_back(file_name + ": " + e.Text());
      continue;
    }
    db->file_name = file_name;
    auto& slot = by_name[db->name()];
    if (slot && CompareIgnoringCase(file_name, db->name() + ".pdb") != 0) {
      if (skipped) skipped->push_back(file_name + ": a second database " + db->name());
      continue;
    }
    if (slot && skipped) skipped->push_back(slot->file_name + ": a second database " + db->name());
    slot = std::move(db);
  }
  HandheldDatabases databases;
  for (auto& [name, db] : by_name) {
    db->local_id = databases.next_local_id_++;
    databases.databases_.push_back(std::move(db));
  }
  return databases;
}

size_t HandheldDatabases::IndexOf(const SimDatabase& db) const {
  for (size_t i = 0; i < databases_.size(); ++i) {
    if (databases_[i].get() == &db) return i;
  }
  return databases_.size();
}

SimDatabase* HandheldDatabases::Find(const std::string& name) {
  for (const auto& db : databases_) {
    if (db->name() == name) return db.get();
  }
  return nullptr;
}

SimDatabase& HandheldDatabases::Add(PdbFile file) {
  auto db = std::make_unique<SimDatabase>();
  db->file = std::move(file);
  db->changed = true;
  db->local_id = next_local_id_++;
  databases_.push_back(std::move(db));
  return *databases_.back();
}

void HandheldDatabases::Remove(const SimDatabase& db) {
  if (!db.file_name.empty()) removed_files_.insert(db.file_name);
  std::erase_if(databases_, [&](const auto& held) { return held.get() == &db; });
}

std::string HandheldDatabases::NewFileName(const std::string& folder,
                                           const std::string& name) const {
  std::string base = name;
  // A database name may hold what a file name cannot.
  std::replace(base.begin(), base.end(), '/', '_');
  for (int n = 1;; ++n) {
    const std::string candidate = base + (n == 1 ? "" : "-" + std::to_string(n)) + ".pdb";
    const bool held = std::any_of(databases_.begin(), databases_.end(),
                                  [&](const auto& db) { return db->file_name == candidate; });
    std::error_code ec;
    const bool stranger =
        !removed_files_.count(candidate) && fs::exists(fs::path(folder) / candidate, ec);
    if (!held && !stranger) return candidate;
  }
}

void HandheldDatabases::Save(const std::string& folder) {
  for (const auto& db : databases_) {
    if (db->file_name.empty()) db->file_name = NewFileName(folder, db->name());
    // A database removed and made again under its name takes its old file.
    removed_files_.erase(db->file_name);
  }
  for (const std::string& file_name : removed_files_) {
    const std::string path = (fs::path(folder) / file_name).string();
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) throw ConduitError::FromErrno(errno, path);
  }
  if (!removed_files_.empty()) SyncFolder(folder);
  removed_files_.clear();
  for (const auto& db : databases_) {
    if (!db->changed) continue;
    WriteFileAtomically((fs::path(folder) / db->file_name).string(), SerializePdb(db->file));
    db->changed = false;
  }
}

}  // namespace corvane::handheld_sim
