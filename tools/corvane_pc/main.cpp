// corvane-pc: the Corvane PC application's side of one synchronisation, for
// trying the conduit without the PC application.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "common/process_name.h"
#include "corvane_pc/options.h"
#include "corvane_pc/sync_run.h"
#include "platform/file_size_signal.h"
#include "support/conduit_error.h"
#include "version.h"

int main(int argc, char** argv) {
  corvane::IgnoreFileSizeSignal();
  using namespace corvane::pc;
  Options options;
  try {
    options = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "corvane-pc: %s\nTry 'corvane-pc --help'.\n", e.what());
    return 2;
  }
  if (options.help) {
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (options.version) {
    std::printf("corvane-pc (CorvaneConduit) %s\n", corvane::kAppVersion);
    return 0;
  }
  // The conduit starts only while the PC application runs: be it.
  if (!corvane::TakeProcessName(argc, argv, "Corvane.exe")) {
    std::fprintf(stderr, "corvane-pc: cannot take the name Corvane.exe: %s\n",
                 std::strerror(errno));
    return 1;
  }
  return RunSynchronisation(options, std::cout, std::cerr);
}
