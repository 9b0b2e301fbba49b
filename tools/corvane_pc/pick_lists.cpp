#include "corvane_pc/pick_lists.h"

#include <algorithm>
#include <map>

#include "support/text_ops.h"

namespace corvane::pc {
namespace {

std::string UpperAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

std::string Registration(const std::string& entry) {
  return entry.substr(0, entry.find('|'));
}

std::string AircraftType(const std::string& entry) {
  size_t bar = entry.find('|');
  return bar == std::string::npos ? "" : entry.substr(bar + 1);
}

}  // namespace

std::vector<std::string> ParseList(ListKind kind, const std::string& text) {
  std::vector<std::string> entries;
  for (const std::string& raw : SplitText(text, "\r\n")) {
    std::string line = TrimSpaces(raw);
    if (line.empty()) continue;
    if (kind == ListKind::kAircraft) {
      std::vector<std::string> parts = SplitText(line, "|");
      line = TrimSpaces(parts[0]) + "|" + (parts.size() > 1 ? TrimSpaces(parts[1]) : "");
      if (line == "|") continue;
    }
    entries.push_back(line);
  }
  return entries;
}

std::vector<std::string> MergeList(ListKind kind, const std::vector<std::string>& own,
                                   const std::vector<std::string>& received) {
  // Keyed by the upper-cased entry (or registration); the map sorts them.
  std::map<std::string, std::string> merged;
  auto key_of = [&](const std::string& entry) {
    return UpperAscii(kind == ListKind::kAircraft ? Registration(entry) : entry);
  };
  for (const std::string& entry : own) merged.emplace(key_of(entry), entry);
  for (const std::string& entry : received) {
    auto [it, inserted] = merged.emplace(key_of(entry), entry);
    if (inserted || kind != ListKind::kAircraft) continue;
    std::string type = AircraftType(entry);
    if (!type.empty()) it->second = Registration(it->second) + "|" + type;
  }
  std::vector<std::string> entries;
  for (auto& [key, entry] : merged) entries.push_back(entry);
  return entries;
}

std::string ListText(const std::vector<std::string>& entries) {
  std::string text;
  for (const std::string& entry : entries) text += entry + "\r\n";
  return text;
}

}  // namespace corvane::pc
