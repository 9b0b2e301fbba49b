#include "support/exchange_path.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <cstring>
#include <memory>

namespace corvane {
namespace {

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
  std::string joined = folder.empty() ? name : folder + "/" + name;
  std::string out;
  out.reserve(joined.size());
  for (char c : joined) {
    bool sep = IsSeparator(c);
    if (sep && !out.empty() && out.back() == '/') continue;
    if (sep && out.empty() && folder.empty()) continue;  // stay relative
    out += sep ? '/' : c;
  }
  return out;
}

std::string ResolveExchangeFile(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0) return path;
  auto slash = path.find_last_of('/');
  std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  if (base.empty()) return path;
  std::unique_ptr<DIR, int (*)(DIR*)> d(::opendir(dir.c_str()), ::closedir);
  if (!d) return path;
  while (dirent* e = ::readdir(d.get())) {
    if (::strcasecmp(e->d_name, base.c_str()) == 0) {
      return slash == std::string::npos ? std::string(e->d_name)
                                        : path.substr(0, slash + 1) + e->d_name;
    }
  }
  return path;
}

std::string ExchangeFile(const std::string& folder, const std::string& name) {
  return ResolveExchangeFile(JoinPath(folder, name));
}

}  // namespace corvane
