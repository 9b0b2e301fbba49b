#pragma once

#include <string>

namespace corvane {

// Appends the character code (up to U+10FFFF) as UTF-8: what Wine and Qt
// write file names and settings texts in.
void AppendUtf8(std::string& out, unsigned code);

}  // namespace corvane
