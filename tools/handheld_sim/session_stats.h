#pragma once

#include <cstdint>
#include <string>

#include "handheld_sim/simulated_handheld.h"

namespace corvane::handheld_sim {

// A session's numbers as key=value lines: requests, faults, bytes_in,
// bytes_out, one log= per HotSync log entry (backslash, CR and LF escaped
// as \\, \r, \n), end=normal|error|none and per_command.NAME.
std::string StatsText(const SimulatedHandheld& handheld, uint64_t bytes_in, uint64_t bytes_out,
                      uint64_t opening_bytes);

}  // namespace corvane::handheld_sim
