#pragma once

#include <cstdint>
#include <string>

namespace corvane {

// The log threshold held in verbose.txt: an optional sign, digits and an
// optional decimal fraction, rounded to the nearest integer with halves to
// even; white space around it is ignored. Raises ConduitError (err::kTypeMismatch
// for anything else, err::kOverflow outside the 16-bit signed range).
int16_t ParseVerboseLevel(const std::string& text);

}  // namespace corvane
