#include "common/process_name.h"

#include <sys/prctl.h>
#include <unistd.h>

#include <vector>

namespace corvane {

std::string BaseName(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool TakeProcessName(int argc, char** argv, const std::string& name) {
  if (argc < 1 || BaseName(argv[0]) != name) {
    std::vector<char*> args(argv, argv + argc);
    std::string argv0 = name;
    if (args.empty()) {
      args.push_back(argv0.data());
    } else {
      args[0] = argv0.data();
    }
    args.push_back(nullptr);
    ::execv("/proc/self/exe", args.data());
    return false;
  }
  // ps and the like show the kernel's name, which keeps 15 bytes.
  ::prctl(PR_SET_NAME, name.c_str(), 0, 0, 0);
  return true;
}

}  // namespace corvane
