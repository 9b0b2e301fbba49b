#include "support/mod_process_list.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <memory>
#include <vector>

#include "support/conduit_log.h"
#include "support/mod_reg.h"

namespace corvane {
namespace {

struct CodeFree {
  void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataFree {
  void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};

// The automaton's state lists; grown for a pattern with many branches.
constexpr size_t kFirstWorkspace = 1000;
constexpr size_t kLargestWorkspace = 1 << 20;

}  // namespace

// The automaton matcher keeps every alternative at once instead of
// backtracking: its time grows with the text, not faster, and it does not
// recurse per character, so a name of any length cannot exhaust the stack.
// Its syntax is a superset of the ECMAScript forms the patterns use
// (non-capturing groups, negative look-ahead, classes, escapes); '$' is held
// to the very end of the text, as ECMAScript reads it.
bool RegExpTest(const std::string& pattern, const std::string& text, bool ignoreCase) {
  uint32_t options = PCRE2_DOLLAR_ENDONLY;
  if (ignoreCase) options |= PCRE2_CASELESS;
  int error = 0;
  PCRE2_SIZE error_offset = 0;
  std::unique_ptr<pcre2_code, CodeFree> code(
      pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), options, &error,
                    &error_offset, nullptr));
  if (!code) return false;
  std::unique_ptr<pcre2_match_data, MatchDataFree> match(pcre2_match_data_create(1, nullptr));
  if (!match) return false;
  std::vector<int> workspace(kFirstWorkspace);
  for (;;) {
    const int rc = pcre2_dfa_match(code.get(), reinterpret_cast<PCRE2_SPTR>(text.data()),
                                   text.size(), 0, PCRE2_DFA_SHORTEST, match.get(), nullptr,
                                   workspace.data(), workspace.size());
    if (rc != PCRE2_ERROR_DFA_WSSIZE || workspace.size() >= kLargestWorkspace) return rc >= 0;
    workspace.resize(workspace.size() * 2);
  }
}

std::optional<bool> IsProcessRunning(FrmMain& frm, const ProcessList& processes,
                                     const std::string& pattern, bool ignoreCase) {
  std::optional<std::vector<std::string>> names = processes.Snapshot();
  if (!names) return std::nullopt;
  for (const std::string& name : *names) {
    Log(frm, TrimNulls(name), 20);
    // What follows a zero character cannot take part in a match.
    if (RegExpTest(pattern, name.substr(0, name.find('\0')), ignoreCase)) return true;
  }
  return false;
}

}  // namespace corvane
