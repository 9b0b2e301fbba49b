#pragma once

#include <ostream>
#include <string>

#include "handheld/pdb_format.h"

namespace corvane::pdbtool {

// The header and every record, for a person looking into a handheld.
void Dump(std::ostream& out, const std::string& path, const PdbFile& file);

// One line: file, name, type/creator, live records, size in bytes.
void Summarize(std::ostream& out, const std::string& path, const PdbFile& file, size_t bytes);

}  // namespace corvane::pdbtool
