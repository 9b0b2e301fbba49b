#pragma once

#include <optional>
#include <string>
#include <vector>

namespace corvane {

// Names in a folder matched as Windows file systems match them: ASCII
// letters without regard to case, every other byte as it is.
//
// The one tie-break, so that the answer never depends on the order in which
// the file system lists its entries: the name exactly as asked first, then
// the other spellings in byte order.

// Every entry of folder that is name in some letter case, in that order; none
// when the folder cannot be listed.
std::vector<std::string> NamesIgnoringCase(const std::string& folder, const std::string& name);

// The first of them, or nothing.
std::optional<std::string> FindNameIgnoringCase(const std::string& folder, const std::string& name);

}  // namespace corvane
