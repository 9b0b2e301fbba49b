#pragma once

#include <cstdint>
#include <string>

#include "support/frm_main.h"

namespace corvane {

// A small exchange file's whole content, spaces trimmed and lower-cased; ""
// when it is missing, empty or unreadable.
std::string GetFileContent(FrmMain& frm, const std::string& path);
// The content of status.flag, read the same way.
std::string GetFlagStatus(FrmMain& frm);
// Replaces status.flag with exactly the bytes of status. The text goes into a
// temporary file that is renamed over it, so the file is never seen empty;
// when that cannot be done (a full disk, a folder that cannot be written),
// it is written into the existing file in place. Raises the replace's
// ConduitError when neither way works.
void ReplaceFlagStatus(FrmMain& frm, const std::string& status);
// ReplaceFlagStatus; false, with the error logged, when it failed.
bool WriteFlagStatus(FrmMain& frm, const std::string& status);
// Remembers newStatus and whether it differs from the last one seen.
void UpdateFlagStatus(FrmMain& frm, const std::string& newStatus);
// One poll of status.flag.
void CheckStatusChange(FrmMain& frm);
// The level held in verbose.txt, or current when there is none to be had.
int16_t LoadVerboseLevel(FrmMain& frm, int16_t current);

// syncPath + "status.flag", resolved in the exchange folder.
std::string StatusFilePath(const FrmMain& frm);

}  // namespace corvane
