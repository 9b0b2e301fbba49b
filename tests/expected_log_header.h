#pragma once

#include <string>
#include <vector>

namespace corvane::testing {

// The file-only lines every run starts its log with, before "path is: ".
inline const std::vector<std::string> kExpectedLogHeader = {
    std::string(83, '='),
    "================================= sync starting... ================================",
    "sync hc app version is 1.0.5",
    "sync eh app version is 1.0.5",
    "reading path from registry...",
};

}  // namespace corvane::testing
