#include "handheld_sim/session_stats.h"

namespace corvane::handheld_sim {
namespace {

std::string OneLine(const std::string& text) {
  std::string line;
  for (char c : text) {
    if (c == '\\') {
      line += "\\\\";
    } else if (c == '\n') {
      line += "\\n";
    } else if (c == '\r') {
      line += "\\r";
    } else {
      line += c;
    }
  }
  return line;
}

const char* EndName(SyncEnd end) {
  switch (end) {
    case SyncEnd::kNormal:
      return "normal";
    case SyncEnd::kError:
      return "error";
    case SyncEnd::kNone:
      break;
  }
  return "none";
}

}  // namespace

std::string StatsText(const SimulatedHandheld& handheld, uint64_t bytes_in, uint64_t bytes_out,
                      uint64_t opening_bytes) {
  std::string text = "requests=" + std::to_string(handheld.requests()) + "\n" +
                     "faults=" + std::to_string(handheld.faults()) + "\n" +
                     "bytes_in=" + std::to_string(bytes_in) + "\n" +
                     "bytes_out=" + std::to_string(bytes_out) + "\n" +
                     "opening_bytes=" + std::to_string(opening_bytes) + "\n" +
                     "message_bytes=" + std::to_string(handheld.message_bytes()) + "\n" +
                     "message_pieces=" + std::to_string(handheld.message_pieces()) + "\n";
  for (const std::string& entry : handheld.sync_log()) text += "log=" + OneLine(entry) + "\n";
  text += std::string("end=") + EndName(handheld.sync_end()) + "\n";
  for (const auto& [name, count] : handheld.per_command()) {
    text += "per_command." + name + "=" + std::to_string(count) + "\n";
  }
  return text;
}

}  // namespace corvane::handheld_sim
