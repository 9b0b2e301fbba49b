#pragma once

#include <string>

namespace corvane {

// Joins a folder and a name the way both Windows spellings mean it: '/' and
// '\' are the same separator, and a doubled separator names the same file.
// With an empty folder the name stays relative to the current folder.
std::string JoinPath(const std::string& folder, const std::string& name);

// The exchange file to read or overwrite for path: the file itself when it
// exists, else a file of the same name in another letter case in the same
// folder, else path unchanged.
std::string ResolveExchangeFile(const std::string& path);

// JoinPath, then ResolveExchangeFile.
std::string ExchangeFile(const std::string& folder, const std::string& name);

}  // namespace corvane
