#include "handheld/handheld_folder.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "handheld/handheld_database.h"
#include "support/atomic_file.h"
#include "support/case_free_name.h"
#include "support/conduit_error.h"
#include "support/text_ops.h"

namespace corvane {

bool HasPdbExtension(const std::filesystem::path& p) {
  std::string ext = p.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  return ext == ".pdb";
}

namespace {

// The file of the database called name. A file named "<name>.pdb" in any
// letter case says it is that database: when its header cannot be read, the
// error names the file and its fault rather than call the database missing.
// Otherwise the first *.pdb (in name order) whose header names it.
std::string FindDatabaseFile(const std::string& folder, const std::string& name) {
  for (const std::string& file_name : NamesIgnoringCase(folder, name + ".pdb")) {
    const std::string file = (std::filesystem::path(folder) / file_name).string();
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec)) continue;
    if (ReadPdbHeaderName(file) == name) return file;
  }
  std::vector<std::string> others;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    std::error_code type_ec;
    const std::string file_name = it->path().filename().string();
    if (HasPdbExtension(it->path()) && it->is_regular_file(type_ec) &&
        CompareIgnoringCase(file_name, name + ".pdb") != 0) {
      others.push_back(it->path().string());
    }
  }
  std::sort(others.begin(), others.end());
  for (const std::string& file : others) {
    if (ReadPdbName(file) == name) return file;
  }
  throw DatabaseNotFound(name);
}

}  // namespace

HandheldFolder::HandheldFolder(std::string path) : path_(std::move(path)) {
  // A writer killed between creating its temporary and renaming it leaves
  // the temporary behind; the database file itself is whole.
  RemoveStaleTemporaries(path_);
}

HandheldFolder::~HandheldFolder() = default;

void HandheldFolder::ReleaseUnused() {
  // A database without changes is read afresh on every Open anyway; one that
  // no adapter holds any more only takes memory.
  std::erase_if(open_, [](const auto& entry) {
    return !entry.second->dirty() && entry.second.use_count() == 1;
  });
}

std::shared_ptr<HandheldDatabase> HandheldFolder::Open(const std::string& name) {
  ReleaseUnused();
  auto cached = open_.find(name);
  if (cached != open_.end() && cached->second->dirty()) return cached->second;

  HandheldDatabase fresh = HandheldDatabase::Load(FindDatabaseFile(path_, name));
  if (cached != open_.end()) {
    // Adapters still holding the old object see the file's content too.
    cached->second->Replace(std::move(fresh));
    return cached->second;
  }
  auto db = std::make_shared<HandheldDatabase>(std::move(fresh));
  open_.emplace(name, db);
  return db;
}

std::shared_ptr<RecordDatabase> HandheldFolder::OpenDatabase(const std::string& name) {
  return Open(name);
}

void HandheldFolder::Flush(const Clock& clock) {
  std::optional<ConduitError> first_failure;
  for (auto& entry : open_) {
    HandheldDatabase& db = *entry.second;
    if (!db.dirty()) continue;
    try {
      // Straight from the records into the temporary file: the database is
      // never held twice.
      const PdbHeader header = db.PrepareWrite(PalmNow(clock));
      WriteFileAtomically(db.file_path(), [&](ByteSink& out) { WritePdb(header, db.file(), out); });
      db.MarkWritten(header);
    } catch (const ConduitError& e) {
      // The other databases still get their chance to be written.
      if (!first_failure) first_failure = e;
    }
  }
  ReleaseUnused();
  if (first_failure) throw *first_failure;
}

bool HandheldFolder::HasChanges() const {
  return std::any_of(open_.begin(), open_.end(),
                     [](const auto& entry) { return entry.second->dirty(); });
}

}  // namespace corvane
