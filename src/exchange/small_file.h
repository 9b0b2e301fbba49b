#pragma once

#include <cstddef>
#include <string>

namespace corvane {

// status.flag and verbose.txt hold one short line each. At most this many
// bytes of them are read: a file grown to gigabytes (a sparse one, say) costs
// no more than a real one at every tick, and what lies past the bound counts
// as not there.
inline constexpr size_t kSmallFileLimit = 4096;

// A small file's content as the handshake compares it: space characters
// trimmed at both ends, ASCII letters lower-cased; tabs and line ends stay.
std::string SmallFileText(const std::string& content);

// The first kSmallFileLimit bytes of a regular file, opened without waiting;
// raises ConduitError when it cannot be read.
std::string ReadSmallFile(const std::string& path);

// The stage status.flag at path holds, as SmallFileText gives it; "" when it
// is missing or cannot be read (caught in the middle of a replacement, say).
std::string ReadStatusText(const std::string& path);

}  // namespace corvane
