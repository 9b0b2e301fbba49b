#pragma once

#include <string_view>
#include <vector>

namespace corvane {

// The exchange files' text helpers. Views point into the text they came
// from, so a large file is split without copying its lines.

// The lines between CR LF pairs; a lone CR or LF belongs to its line. A text
// ending in CR LF gives a last, empty line; the empty text gives no line.
std::vector<std::string_view> SplitCrLf(std::string_view text);

// The text without its leading and trailing space characters (spaces only:
// tabs and line breaks stay).
std::string_view TrimSpaces(std::string_view text);

// The fields between separators; always at least one field.
std::vector<std::string_view> SplitFields(std::string_view line, char separator);

}  // namespace corvane
