#pragma once

#include <cstddef>
#include <string>

namespace corvane::bench {

// count lines "<prefix><i><suffix>", each ended by CR LF, as the exchange files hold them.
inline std::string Lines(int count, const std::string& prefix, const std::string& suffix = {}) {
  std::string s;
  for (int i = 0; i < count; ++i) s += prefix + std::to_string(i) + suffix + "\r\n";
  return s;
}

// Report text of about size bytes in lines of 80.
inline std::string ReportText(size_t size) {
  std::string s;
  s.reserve(size + 82);
  while (s.size() < size) s += std::string(78, 'r') + "\r\n";
  return s;
}

}  // namespace corvane::bench
