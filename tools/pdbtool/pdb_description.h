#pragma once

#include <string>

#include "handheld/pdb_format.h"

namespace corvane::pdbtool {

// The description language of "pdbtool create", for --help.
extern const char kDescriptionSyntax[];

// Builds a database from a description; raises ConduitError(kBadArgument,
// "<source>:<line>: <fault>") for anything it cannot take. Creation and
// modification dates are palm_now.
PdbFile ParseDescription(const std::string& text, const std::string& source, uint32_t palm_now);

// A byte string in the description's quoted form: "a\x01b\"".
std::string QuoteBytes(const std::string& bytes);

}  // namespace corvane::pdbtool
