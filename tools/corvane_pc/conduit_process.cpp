#include "corvane_pc/conduit_process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

#include "support/conduit_error.h"

extern char** environ;

namespace corvane::pc {

ConduitProcess::ConduitProcess(const std::string& hotsync, const std::string& handheld,
                               const std::string& conduit) {
  std::vector<std::string> args = {hotsync, "--handheld", handheld, "--", conduit};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attr, 0);
  int rc = ::posix_spawn(&pid_, hotsync.c_str(), nullptr, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) {
    pid_ = -1;
    throw ConduitError::FromErrno(rc, "cannot start " + hotsync);
  }
}

ConduitProcess::~ConduitProcess() {
  if (pid_ > 0 && !Poll()) Stop();
}

std::optional<int> ConduitProcess::Poll() {
  if (status_ || pid_ <= 0) return status_;
  int wstatus = 0;
  pid_t r = ::waitpid(pid_, &wstatus, WNOHANG);
  if (r == pid_) {
    status_ = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  } else if (r < 0 && errno != EINTR) {
    status_ = -1;
  }
  return status_;
}

std::optional<int> ConduitProcess::Wait(double seconds) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!Poll() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return Poll();
}

void ConduitProcess::Stop(double grace) {
  if (pid_ <= 0 || Poll()) return;
  ::kill(pid_, SIGTERM);
  if (Wait(grace)) {
    // The launcher is gone; anything left of its group goes too.
    ::kill(-pid_, SIGKILL);
    return;
  }
  ::kill(-pid_, SIGKILL);
  Wait(grace);
}

}  // namespace corvane::pc
