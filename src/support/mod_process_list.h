#pragma once

#include <optional>
#include <string>

#include "support/frm_main.h"
#include "support/process_list.h"

namespace corvane {

// modProcessList.

// Whether pattern matches anywhere in text; ignoreCase true matches
// regardless of letter case. The patterns are written in the ECMAScript
// grammar's common forms. Time grows in proportion to the text and the stack
// does not grow with it. A pattern the engine refuses, or a matcher error,
// matches nothing.
bool RegExpTest(const std::string& pattern, const std::string& text, bool ignoreCase);

// Whether a running process's executable name matches pattern: true at the
// first match, false when none matches, nothing when no snapshot could be
// taken. Every examined name is logged at level 20, in snapshot order, up to
// and including the first match.
std::optional<bool> IsProcessRunning(FrmMain& frm, const ProcessList& processes,
                                     const std::string& pattern, bool ignoreCase);

}  // namespace corvane
