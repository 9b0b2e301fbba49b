#pragma once

#include <string>

#include "support/join_path.h"

namespace corvane {

// The exchange file to read or overwrite for path: the file itself when it
// exists, else a file of the same name in another letter case in the same
// folder (the PC application may write person.txt where we write
// PERSON.txt), else path unchanged.
std::string ResolveExchangeFile(const std::string& path);

// JoinPath, then ResolveExchangeFile.
std::string ExchangeFile(const std::string& folder, const std::string& name);

}  // namespace corvane
