#pragma once

namespace corvane::hotsync {

// hotsync's own exit statuses, apart from those of the programs it runs.
inline constexpr int kEndedEarly = 1;         // the HotSync operation ended while PROGRAM ran
inline constexpr int kUsage = 2;              // a wrong command line
inline constexpr int kNoHandheld = 120;       // no handheld came in time
inline constexpr int kLinkFailed = 121;       // the connection failed outside PROGRAM's run
inline constexpr int kHandheldRefused = 122;  // not the paired handheld, or never named
inline constexpr int kRefused = 125;          // the handheld's folder, device or address refused
inline constexpr int kCannotExecute = 126;
inline constexpr int kNotFound = 127;

}  // namespace corvane::hotsync
