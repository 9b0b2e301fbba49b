#include "hotsync/conduit_launch.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string_view>
#include <thread>

#include "handheld/hotsync_link.h"
#include "hotsync/exit_status.h"
#include "support/conduit_error.h"

namespace corvane::hotsync {
namespace {

volatile sig_atomic_t g_child = 0;

void ForwardSignal(int sig) {
  if (g_child > 0) ::kill(g_child, sig);
}

// Whether PATH holds a file of that name: a folder on PATH that we may not
// search makes execvp report EACCES for a program that is nowhere.
bool FoundOnPath(const std::string& name) {
  if (name.find('/') != std::string::npos) return true;
  const char* path = std::getenv("PATH");
  std::string_view rest = path ? path : "/bin:/usr/bin";
  for (;;) {
    const size_t colon = rest.find(':');
    std::string candidate(rest.substr(0, colon));
    if (candidate.empty()) candidate.push_back('.');
    candidate.push_back('/');
    candidate.append(name);
    if (::access(candidate.c_str(), F_OK) == 0) return true;
    if (colon == std::string_view::npos) return false;
    rest.remove_prefix(colon + 1);
  }
}

int StatusOf(int wstatus) {
  if (WIFEXITED(wstatus)) return WEXITSTATUS(wstatus);
  if (WIFSIGNALED(wstatus)) return 128 + WTERMSIG(wstatus);
  return kCannotExecute;
}

}  // namespace

ConduitLaunch::ConduitLaunch(char** program,
                             const std::vector<std::pair<std::string, std::string>>& env,
                             const std::vector<int>& keep) {
  // Signals that arrive before the child's pid is known are held back.
  sigset_t forwarded, old_mask;
  sigemptyset(&forwarded);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&forwarded, sig);
  ::sigprocmask(SIG_BLOCK, &forwarded, &old_mask);
  struct sigaction sa {};
  sa.sa_handler = ForwardSignal;
  sigemptyset(&sa.sa_mask);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(sig, &sa, nullptr);

  // The conduit gets the read end only; the write end stays here and is
  // closed on exec, so that nothing else holds it.
  auto [alive_read, alive_write] = sys::Pipe();
  const std::string launcher = std::to_string(::getpid());
  pid_ = ::fork();
  if (pid_ < 0) {
    ::sigprocmask(SIG_SETMASK, &old_mask, nullptr);
    throw ConduitError::FromErrno(errno, std::string("cannot start ") + program[0]);
  }
  if (pid_ == 0) {
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ, SIGPIPE}) ::sigaction(sig, &dfl, nullptr);
    ::sigprocmask(SIG_SETMASK, &old_mask, nullptr);
    alive_write.Reset();
    ::fcntl(alive_read.get(), F_SETFD, 0);
    for (int fd : keep) ::fcntl(fd, F_SETFD, 0);
    for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
    ::setenv(kHotSyncLauncherEnv, launcher.c_str(), 1);
    ::setenv(kHotSyncAliveFdEnv, std::to_string(alive_read.get()).c_str(), 1);
    ::execvp(program[0], program);
    int e = errno;
    if (e == EACCES && !FoundOnPath(program[0])) e = ENOENT;
    std::fprintf(stderr, "hotsync: cannot run '%s': %s\n", program[0], std::strerror(e));
    ::_exit(e == ENOENT ? kNotFound : kCannotExecute);
  }
  g_child = pid_;
  alive_ = std::move(alive_write);
  ::sigprocmask(SIG_SETMASK, &old_mask, nullptr);
}

ConduitLaunch::~ConduitLaunch() {
  if (!status_) Wait(0);
}

std::optional<int> ConduitLaunch::Poll() {
  int wstatus = 0;
  if (!status_ && ::waitpid(pid_, &wstatus, WNOHANG) == pid_) status_ = StatusOf(wstatus);
  return status_;
}

int ConduitLaunch::Wait(std::optional<double> grace) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::duration<double>(grace.value_or(0));
  while (grace && !Poll() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (!status_) {
    if (grace) ::kill(pid_, SIGKILL);
    int wstatus = 0;
    while (::waitpid(pid_, &wstatus, 0) < 0) {
      if (errno != EINTR) return kCannotExecute;
    }
    status_ = StatusOf(wstatus);
  }
  return *status_;
}

}  // namespace corvane::hotsync
