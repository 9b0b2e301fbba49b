#include "platform/log_folder.h"

#include <fcntl.h>
#include <unistd.h>

#include "platform/user_folders.h"
#include "support/conduit_log.h"

namespace corvane {
namespace {

// The effective user decides, as it is the one that opens the file.
bool MayWrite(const std::string& path) {
  return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

bool LogWritableIn(const std::string& folder) {
  if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) return false;
  // A log left by another user in a shared folder cannot be appended to.
  const std::string log = folder + "/" + kLogFileName;
  return ::faccessat(AT_FDCWD, log.c_str(), F_OK, AT_EACCESS) != 0 || MayWrite(log);
}

// The folders of installed programs: a log there would outlive the package
// that owns the folder, even when the user (root) may write it.
bool IsSystemProgramFolder(const std::string& folder) {
  for (const char* system : {"/usr", "/bin", "/sbin", "/lib"}) {
    const std::string s = system;
    if (folder == s || folder.rfind(s + "/", 0) == 0) return true;
  }
  return false;
}

}  // namespace

std::string LogFolder(const std::string& executable_folder) {
  if (!IsSystemProgramFolder(executable_folder) && LogWritableIn(executable_folder)) {
    return executable_folder;
  }
  const std::string folder = XdgFolder("XDG_STATE_HOME", ".local/state") + "/Veltrane-soft/Corvane";
  // A folder that cannot be made shows at the first log line, like any log failure.
  MakeFolders(folder, 0700);
  return folder;
}

}  // namespace corvane
