#include "support/case_free_name.h"

#include <dirent.h>

#include <algorithm>
#include <memory>

#include "support/text_ops.h"

namespace corvane {

std::vector<std::string> NamesIgnoringCase(const std::string& folder, const std::string& name) {
  std::vector<std::string> names;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.empty() ? "." : folder.c_str()),
                                          ::closedir);
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir.get())) {
    if (CompareIgnoringCase(entry->d_name, name) == 0) names.emplace_back(entry->d_name);
  }
  std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
    return (a == name) != (b == name) ? a == name : a < b;
  });
  return names;
}

std::optional<std::string> FindNameIgnoringCase(const std::string& folder,
                                                const std::string& name) {
  std::vector<std::string> names = NamesIgnoringCase(folder, name);
  if (names.empty()) return std::nullopt;
  return std::move(names.front());
}

}  // namespace corvane
