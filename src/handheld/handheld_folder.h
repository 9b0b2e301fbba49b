#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "handheld/handheld_store.h"

namespace corvane {

class Clock;
class HandheldDatabase;

// Whether a file's extension is ".pdb", in any letter case.
bool HasPdbExtension(const std::filesystem::path& file);

// The databases of one handheld folder (one "<name>.pdb" file per database).
// A changed database stays in memory until Flush() writes it back, so that
// many open-add-release cycles cost one write; an unchanged one only while an
// adapter holds it.
class HandheldFolder : public HandheldStore {
 public:
  explicit HandheldFolder(std::string path);
  ~HandheldFolder() override;

  // The database whose header name is name; raises ConduitError
  // (err::kNotFound) when the folder holds none, or the reader's error for a
  // damaged file, and for a file named "<name>.pdb" (any letter case) whose
  // header cannot be read. A database with unsaved changes is returned as it
  // stands; one without is read afresh from its file.
  std::shared_ptr<HandheldDatabase> Open(const std::string& name);
  std::shared_ptr<RecordDatabase> OpenDatabase(const std::string& name) override;

  // Writes every changed database back atomically, dated by clock; raises
  // ConduitError when a write fails (the old file then stays whole).
  void Flush(const Clock& clock) override;
  bool HasChanges() const override;

  const std::string& path() const { return path_; }

 private:
  // Forgets the unchanged databases nobody holds.
  void ReleaseUnused();

  std::string path_;
  std::map<std::string, std::shared_ptr<HandheldDatabase>> open_;
};

}  // namespace corvane
