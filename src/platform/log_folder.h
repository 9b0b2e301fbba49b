#pragma once

#include <string>

namespace corvane {

// Where palmSynclog.txt lives for a conduit whose executable is in
// executable_folder: that folder when this user may write the log there and
// it is not a folder of installed programs (/usr, /bin, /sbin, /lib: a
// portable install), else the per-user state folder
// $XDG_STATE_HOME/Veltrane-soft/Corvane (default ~/.local/state/...), created
// with its missing parents (mode 0700) — as Windows redirects the writes of a
// program under Program Files to a per-user store.
std::string LogFolder(const std::string& executable_folder);

}  // namespace corvane
