#pragma once

#include <string>

namespace corvane {

// The folder of the running executable, without a trailing separator.
std::string ExecutableFolder();

}  // namespace corvane
