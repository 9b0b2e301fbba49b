#include "support/mod_process_list.h"

#include <regex>

#include "support/conduit_log.h"
#include "support/mod_reg.h"

namespace corvane {

bool RegExpTest(const std::string& pattern, const std::string& text, bool ignoreCase) {
  auto flags = std::regex::ECMAScript;
  if (ignoreCase) flags |= std::regex::icase;
  try {
    return std::regex_search(text, std::regex(pattern, flags));
  } catch (const std::regex_error&) {
    return false;
  }
}

std::optional<bool> IsProcessRunning(FrmMain& frm, const ProcessList& processes,
                                     const std::string& pattern, bool ignoreCase) {
  std::optional<std::vector<std::string>> names = processes.Snapshot();
  if (!names) return std::nullopt;
  for (const std::string& name : *names) {
    WriteLog(frm, TrimNulls(name), kToListAndFile, 20);
    // What follows a zero character cannot take part in a match.
    if (RegExpTest(pattern, name.substr(0, name.find('\0')), ignoreCase)) return true;
  }
  return false;
}

}  // namespace corvane
