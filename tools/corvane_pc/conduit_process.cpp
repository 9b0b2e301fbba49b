#include "corvane_pc/conduit_process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

#include "support/conduit_error.h"

extern char** environ;

namespace corvane::pc {

ConduitProcess::ConduitProcess(const std::string& hotsync, const std::string& connection,
                               const std::string& handheld, const std::string& conduit,
                               const std::string& answer_timeout) {
  std::vector<std::string> args = {hotsync, connection, handheld};
  if (!answer_timeout.empty()) args.insert(args.end(), {"--answer-timeout", answer_timeout});
  args.insert(args.end(), {"--", conduit});
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  // A conduit orphaned by its launcher's death comes back to us, not to init.
  ::prctl(PR_SET_CHILD_SUBREAPER, 1);
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
  if (pid_ > 0 && !stopped_) Stop();
}

void ConduitProcess::Ended(int wstatus) {
  ended_by_signal_ = WIFSIGNALED(wstatus);
  status_ = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
}

std::optional<int> ConduitProcess::Poll() {
  if (status_ || pid_ <= 0) return status_;
  int wstatus = 0;
  pid_t r = ::waitpid(pid_, &wstatus, WNOHANG);
  if (r == pid_) {
    Ended(wstatus);
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
  if (pid_ <= 0) return;
  stopped_ = true;
  if (!Poll()) {
    ::kill(pid_, SIGTERM);
    Wait(grace);
  }
  // The group outlives its leader while any member lives, so this reaches a
  // conduit whose launcher has already exited.
  ::kill(-pid_, SIGKILL);
  ReapGroup(grace);
}

void ConduitProcess::ReapGroup(double seconds) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (;;) {
    int wstatus = 0;
    pid_t r = ::waitpid(-pid_, &wstatus, WNOHANG);
    if (r == pid_) Ended(wstatus);
    if (r > 0 || (r < 0 && errno == EINTR)) continue;
    // No child of the group left; a member that is not our child (when this
    // process could not take in orphans) is waited for through the group.
    if (r < 0 && ::kill(-pid_, 0) != 0) return;
    if (std::chrono::steady_clock::now() >= deadline) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace corvane::pc
