#include "platform/wine_path.h"

#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <optional>
#include <vector>

#include "support/conduit_error.h"
#include "support/text_ops.h"

namespace corvane {
namespace {

std::string Join(const std::string& folder, const std::string& name) {
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// The entry of folder that is name without regard to letter case: name
// itself when it is there, else the first such entry in sorted order.
std::optional<std::string> FindEntry(const std::string& folder, const std::string& name) {
  struct stat st;
  if (::lstat(Join(folder, name).c_str(), &st) == 0) return name;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
  if (!dir) return std::nullopt;
  std::vector<std::string> matches;
  const std::string wanted = ToLowerAscii(name);
  while (const dirent* entry = ::readdir(dir.get())) {
    if (ToLowerAscii(entry->d_name) == wanted) matches.push_back(entry->d_name);
  }
  if (matches.empty()) return std::nullopt;
  return *std::min_element(matches.begin(), matches.end());
}

}  // namespace

std::string WineToLinuxPath(const std::string& prefix, const std::string& windows_path) {
  if (windows_path.size() < 2 || windows_path[1] != ':' ||
      !std::isalpha(static_cast<unsigned char>(windows_path[0]))) {
    throw ConduitError(err::kNoWineDrive, "not a path on a drive: " + windows_path);
  }
  const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(windows_path[0])));
  const std::string link = prefix + "/dosdevices/" + letter + ":";
  char* resolved = ::realpath(link.c_str(), nullptr);
  if (!resolved) {
    throw ConduitError(
        err::kNoWineDrive,
        std::string("drive ") + static_cast<char>(std::toupper(letter)) + ": has no link " + link);
  }
  std::string path = resolved;
  std::free(resolved);

  // Windows resolves . and .. in the path itself, before any folder is looked at.
  std::vector<std::string> components;
  std::string rest = windows_path.substr(2);
  std::replace(rest.begin(), rest.end(), '\\', '/');
  for (const std::string& c : SplitText(rest, "/")) {
    if (c.empty() || c == ".") continue;
    if (c == "..") {
      if (!components.empty()) components.pop_back();
      continue;
    }
    components.push_back(c);
  }
  bool found_so_far = true;
  for (const std::string& c : components) {
    std::optional<std::string> entry = found_so_far ? FindEntry(path, c) : std::nullopt;
    found_so_far = entry.has_value();
    path = Join(path, entry.value_or(c));
  }
  const bool trailing = rest.empty() || rest.back() == '/';
  if (trailing && path.back() != '/') path += '/';
  return path;
}

}  // namespace corvane
