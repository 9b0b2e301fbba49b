#pragma once

#include <string>

namespace corvane {

// The user's home folder: $HOME, else the password database's entry.
std::string HomeFolder();

// An XDG base folder: $variable when it holds an absolute path (the XDG rule:
// relative ones are ignored), else HomeFolder() + "/" + fallback.
std::string XdgFolder(const char* variable, const std::string& fallback);

// Creates folder and every missing folder above it with mode (an existing
// folder keeps its own); true when folder is a folder afterwards.
bool MakeFolders(const std::string& folder, unsigned mode);

}  // namespace corvane
