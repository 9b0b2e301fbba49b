#pragma once

#include <cstdint>
#include <vector>

namespace corvane {

// Bytes as they come and go: record data, file content, protocol messages.
using Bytes = std::vector<uint8_t>;

}  // namespace corvane
