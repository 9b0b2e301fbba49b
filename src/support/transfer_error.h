#pragma once

#include <string>

#include "support/frm_main.h"

namespace corvane {

inline constexpr const char* kErrorInSynchronization = "Error in Synchronization.";

enum class ErrorLogging { kLogged, kNotLogged };

// A transfer's error path: the activity label shows "Error in
// Synchronization.", the text is shown in a modal OK box under title, then
// logged at level 5 to list and file (unless kNotLogged).
void ReportTransferError(FrmMain& frm, const std::string& text, const std::string& title,
                         ErrorLogging logging = ErrorLogging::kLogged);

}  // namespace corvane
