#pragma once

#include <string>

namespace corvane {

// Makes the process show itself as name in the process list: unless argv[0]
// already is name, the same program is started again in this process (the
// process id stays) with name as argv[0]; then the kernel's short name is set
// too. Returns only when the name has been taken (true) or the new start
// failed (false, errno set).
bool TakeProcessName(int argc, char** argv, const std::string& name);

// The text after the last '/' of path.
std::string BaseName(const std::string& path);

}  // namespace corvane
