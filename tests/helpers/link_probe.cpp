// Test helper: reports what the HotSync link of this process says.
// Usage: link_probe [WAIT_FILE]
// With WAIT_FILE, waits (up to 20 s) until it exists before asking, so that
// a test can change the handheld folder while the launcher holds it.

#include <unistd.h>

#include <cstdio>
#include <exception>

#include "handheld/hotsync_link.h"
#include "support/conduit_error.h"

int main(int argc, char** argv) {
  if (argc > 1) {
    for (int i = 0; i < 400 && ::access(argv[1], F_OK) != 0; ++i) ::usleep(50000);
  }
  try {
    auto link = corvane::HotSyncLink::FromEnvironment();
    bool in_progress = link->IsSyncInProgress();
    std::printf("in progress: %s\n", in_progress ? "yes" : "no");
    return 0;
  } catch (const std::exception& e) {
    std::printf("error: %s\n", corvane::ErrorText(e).c_str());
    return 3;
  }
}
