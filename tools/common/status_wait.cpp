#include "common/status_wait.h"

#include <chrono>
#include <thread>

#include "exchange/small_file.h"
#include "support/conduit_error.h"

namespace corvane {

StatusWait WaitForStatus(const std::string& path, double timeout,
                         const std::function<bool(const std::string& seen)>& done,
                         const std::function<void()>& before_read) {
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                            std::chrono::duration<double>(timeout));
  for (;;) {
    if (before_read) before_read();
    StatusWait wait;
    try {
      wait.seen = SmallFileText(ReadSmallFile(path));
      wait.read = true;
    } catch (const ConduitError&) {
      // Missing, or caught in the middle of a replacement: it reads as "",
      // and again next time.
    }
    if (done(wait.seen)) {
      wait.done = true;
      return wait;
    }
    if (std::chrono::steady_clock::now() >= deadline) return wait;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

}  // namespace corvane
