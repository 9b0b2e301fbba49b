#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "handheld_sim/sim_database.h"

namespace corvane::handheld_sim {

// The databases of the simulated handheld in the order a database list
// gives them, each in memory, and what becomes of the handheld folder's
// files when they are saved.
class HandheldDatabases {
 public:
  HandheldDatabases() = default;
  // Every readable "*.pdb" of folder, found by the name in its header. A file
  // that cannot be read is passed over and named in skipped ("file: why");
  // of two files of one name, the one named "<name>.pdb" counts.
  static HandheldDatabases Load(const std::string& folder, std::vector<std::string>* skipped);

  size_t size() const { return databases_.size(); }
  SimDatabase& at(size_t index) { return *databases_[index]; }
  const SimDatabase& at(size_t index) const { return *databases_[index]; }
  // The list index of a database, and the database of a name (or nullptr).
  size_t IndexOf(const SimDatabase& db) const;
  SimDatabase* Find(const std::string& name);

  // A new database (with its header filled in) at the end of the list.
  SimDatabase& Add(PdbFile file);
  // Takes the database off the list; its file goes at the next Save.
  void Remove(const SimDatabase& db);

  // Writes every changed database into folder atomically (a new one gets
  // the file "<name>.pdb", or "<name>-2.pdb" ... when that is taken) and
  // removes the files of those removed. Raises ConduitError when a file
  // cannot be written or removed.
  void Save(const std::string& folder);

 private:
  std::string NewFileName(const std::string& folder, const std::string& name) const;

  std::vector<std::unique_ptr<SimDatabase>> databases_;
  std::set<std::string> removed_files_;
  uint32_t next_local_id_ = 0x00D00001;
};

}  // namespace corvane::handheld_sim
