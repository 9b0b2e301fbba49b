#pragma once

#include <string>

namespace corvane {

// Joins a folder and a name the way both Windows spellings mean it: '/' and
// '\' are the same separator, and a doubled separator names the same file.
// With an empty folder the name stays relative to the current folder.
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace corvane
