#pragma once

#include <string>

namespace corvane {

// Reads text, all of it, as a number of at least 0 (seconds, a rate) into
// value; false for anything else.
bool ParseNumber(const std::string& text, double& value);

}  // namespace corvane
