#include "exchange/exchange_path.h"

#include <sys/stat.h>

#include <optional>

#include "support/case_free_name.h"

namespace corvane {

std::string ResolveExchangeFile(const std::string& path) {
  // The exact name comes first in any case; only a miss lists the folder.
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0) return path;
  const auto slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  if (base.empty()) return path;
  const std::optional<std::string> found = FindNameIgnoringCase(folder, base);
  return found ? folder + *found : path;
}

std::string ExchangeFile(const std::string& folder, const std::string& name) {
  return ResolveExchangeFile(JoinPath(folder, name));
}

}  // namespace corvane
