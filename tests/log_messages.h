#pragma once

#include <string>
#include <vector>

namespace corvane::testing {

// The messages of a conduit log file, without their timestamps; none when
// the file does not exist.
std::vector<std::string> LogMessagesOf(const std::string& log_file);

}  // namespace corvane::testing
