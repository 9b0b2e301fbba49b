#pragma once

#include <string>
#include <vector>

namespace corvane {

// Removes leading and trailing space characters (code 32 only; tabs and line
// ends stay).
std::string TrimSpaces(const std::string& text);
// Lower-cases the ASCII letters; other bytes stay as they are.
std::string ToLowerAscii(std::string text);
// Compares two names as Windows file systems order them: ASCII letters
// folded to upper case, other bytes as they are (whatever the locale);
// negative, zero or positive.
int CompareIgnoringCase(const std::string& a, const std::string& b);
// Splits at every occurrence of separator; n separators give n + 1 pieces.
std::vector<std::string> SplitText(const std::string& text, const std::string& separator);

}  // namespace corvane
