#pragma once

#include <string>

namespace corvane::hotsync {

// A HotSync operation on the handheld in folder: it is held (an exclusive
// lock) while program runs as its conduit. Returns hotsync's exit status.
int RunFolderSession(const std::string& folder, char** program);

}  // namespace corvane::hotsync
