#pragma once

#include <string>

namespace corvane {

// The Linux path that a Windows program run under Wine in prefix means by
// windows_path (such as C:\Users\pilot\Sync\): the drive through the link
// prefix/dosdevices/<letter>: (usually ../drive_c, or / for Z:), then each
// further component found in its folder without regard to letter case, as
// Wine finds it. A component that is not there is kept as written, and so are
// the ones after it. '\' (and '/') become '/'; a trailing separator stays.
// Raises ConduitError (err::kNoWineDrive) for a path on no drive letter and
// for a drive without a link.
std::string WineToLinuxPath(const std::string& prefix, const std::string& windows_path);

}  // namespace corvane
