#pragma once

#include <string>
#include <vector>

#include "handheld/pdb_format.h"

namespace corvane::testing {

// A command's exit status (-1 when it did not exit normally) and its output.
struct CommandResult {
  int status = -1;
  std::string output;
};
// Runs command through the shell, capturing standard output (and standard
// error too when merge_stderr).
CommandResult RunCommand(const std::string& command, bool merge_stderr = true);
std::string ShellQuote(const std::string& text);

// The files of the sample folder that are well-formed databases, sorted.
std::vector<std::string> WellFormedSamples();
std::string SamplePath(const std::string& name);

// The canonical text form shared with tests/pdb_interop.pl: the fields both
// readers can tell apart.
std::string CanonicalForm(const PdbFile& file);
// The same form, as Palm::PDB reads path.
CommandResult PalmPdbView(const std::string& path);

// A small database with app info, a live, a secret and a deleted record.
PdbFile SmallDatabase();

Bytes ToBytes(const std::string& s);

}  // namespace corvane::testing
