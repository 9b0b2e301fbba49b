#include "hotsync/folder_mode.h"

#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "handheld/hotsync_link.h"
#include "hotsync/conduit_launch.h"
#include "hotsync/exit_status.h"
#include "support/conduit_error.h"
#include "support/folder_lock.h"

namespace corvane::hotsync {
namespace {

int Refuse(const std::string& message) {
  std::fprintf(stderr, "hotsync: %s\n", message.c_str());
  return kRefused;
}

// Locks the handheld folder; false after reporting why it was refused.
bool HoldFolder(const std::string& dir, FolderLock& lock, int& status) {
  struct stat st;
  if (::stat(dir.c_str(), &st) != 0) {
    status = Refuse("handheld folder '" + dir + "': " + std::strerror(errno));
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    status = Refuse("handheld folder '" + dir + "' is not a folder");
    return false;
  }
  if (::access(dir.c_str(), R_OK | W_OK | X_OK) != 0) {
    status = Refuse("handheld folder '" + dir +
                    "' is not readable and writable: " + std::strerror(errno));
    return false;
  }
  try {
    // The lock stays with the launcher, never with PROGRAM (close-on-exec).
    switch (lock.Hold(dir)) {
      case FolderLock::Outcome::kHeld:
        return true;
      case FolderLock::Outcome::kHeldElsewhere:
        status = Refuse("handheld folder '" + dir +
                        "' is already held by another HotSync operation (hotsync)");
        break;
      case FolderLock::Outcome::kNoFolder:
        status = Refuse("handheld folder '" + dir + "': " + std::strerror(ENOENT));
        break;
    }
  } catch (const ConduitError& e) {
    status = Refuse("cannot lock handheld folder '" + dir + "': " + std::strerror(e.number()));
  }
  return false;
}

}  // namespace

int RunFolderSession(const std::string& dir, char** program) {
  int status = 0;
  FolderLock lock;
  if (!HoldFolder(dir, lock, status)) return status;
  // The conduit may change its working folder; hand it an absolute path.
  char* real = ::realpath(dir.c_str(), nullptr);
  const std::string folder = real ? real : dir;
  std::free(real);
  try {
    ConduitLaunch conduit(program, {{kHotSyncFolderEnv, folder}});
    return conduit.Wait();
  } catch (const ConduitError& e) {
    std::fprintf(stderr, "hotsync: %s\n", e.description().c_str());
    return kCannotExecute;
  }
}

}  // namespace corvane::hotsync
