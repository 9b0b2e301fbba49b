#include "support/join_path.h"

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

}  // namespace corvane
