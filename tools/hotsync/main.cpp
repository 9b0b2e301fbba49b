// hotsync: runs a program as the conduit of a HotSync operation on the
// handheld in a folder, holding that folder for the whole run.

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "handheld/hotsync_link.h"
#include "platform/file_size_signal.h"
#include "support/conduit_error.h"
#include "support/folder_lock.h"
#include "support/system.h"
#include "version.h"

namespace {

// Our own failures, chosen apart from the usual statuses of a program.
constexpr int kUsage = 2;
constexpr int kRefused = 125;
constexpr int kCannotExecute = 126;
constexpr int kNotFound = 127;

const char kHelp[] =
    "Usage: hotsync --handheld DIR -- PROGRAM [ARGS...]\n"
    "       hotsync --help | --version\n"
    "\n"
    "Runs PROGRAM as the conduit of a HotSync operation on the handheld in DIR,\n"
    "a folder holding one Palm database file (<name>.pdb) per database.\n"
    "\n"
    "While PROGRAM runs, hotsync holds DIR with an exclusive lock and tells\n"
    "PROGRAM where it is through the environment (CORVANE_HOTSYNC_FOLDER,\n"
    "CORVANE_HOTSYNC_LAUNCHER, and CORVANE_HOTSYNC_ALIVE_FD: the read end of a\n"
    "pipe that reaches end-of-file when hotsync is gone). PROGRAM sees a HotSync\n"
    "operation in progress exactly while this launcher holds DIR for it; a\n"
    "conduit started without hotsync sees none. Once hotsync is gone, however\n"
    "it ended, the HotSync operation is over: the conduit's link refuses every\n"
    "handheld operation and the conduit ends. If DIR is removed or becomes\n"
    "unusable during the run, the conduit's link to the handheld fails.\n"
    "\n"
    "Before PROGRAM starts, hotsync refuses\n"
    "  - a DIR that is missing, not a folder, or not readable and writable;\n"
    "  - a DIR that another hotsync already holds.\n"
    "\n"
    "SIGINT, SIGTERM and SIGHUP are passed on to PROGRAM.\n"
    "\n"
    "Exit status: PROGRAM's exit status, or 128+N when PROGRAM was ended by\n"
    "signal N; 2 for bad usage, 125 when DIR was refused, 126 when PROGRAM\n"
    "cannot be run, 127 when PROGRAM was not found.\n"
    "\n"
    "Options:\n"
    "  --handheld DIR   the handheld folder (also --handheld=DIR)\n"
    "  -h, --help       show this help\n"
    "  --version        show the version\n";

volatile sig_atomic_t g_child = 0;

void ForwardSignal(int sig) {
  if (g_child > 0) ::kill(g_child, sig);
}

int Usage(const std::string& message) {
  std::fprintf(stderr, "hotsync: %s\nTry 'hotsync --help'.\n", message.c_str());
  return kUsage;
}

int Refuse(const std::string& message) {
  std::fprintf(stderr, "hotsync: %s\n", message.c_str());
  return kRefused;
}

// Locks the handheld folder; false after reporting why it was refused.
bool HoldFolder(const std::string& dir, corvane::FolderLock& lock, int& status) {
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
      case corvane::FolderLock::Outcome::kHeld:
        return true;
      case corvane::FolderLock::Outcome::kHeldElsewhere:
        status = Refuse("handheld folder '" + dir +
                        "' is already held by another HotSync operation (hotsync)");
        break;
      case corvane::FolderLock::Outcome::kNoFolder:
        status = Refuse("handheld folder '" + dir + "': " + std::strerror(ENOENT));
        break;
    }
  } catch (const corvane::ConduitError& e) {
    status = Refuse("cannot lock handheld folder '" + dir + "': " + std::strerror(e.number()));
  }
  return false;
}

// Whether PATH holds a file of that name: a folder on PATH that we may not
// search makes execvp report EACCES for a program that is nowhere.
bool FoundOnPath(const std::string& name) {
  if (name.find('/') != std::string::npos) return true;
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/bin:/usr/bin";
  size_t start = 0;
  for (;;) {
    size_t colon = dirs.find(':', start);
    std::string dir = dirs.substr(start, colon == std::string::npos ? colon : colon - start);
    if (dir.empty()) dir = ".";
    if (::access((dir + "/" + name).c_str(), F_OK) == 0) return true;
    if (colon == std::string::npos) return false;
    start = colon + 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  corvane::IgnoreFileSizeSignal();
  std::string dir;
  bool have_dir = false;
  int i = 1;
  for (; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "-h" || a == "--help") {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (a == "--version") {
      std::printf("hotsync (CorvaneConduit) %s\n", corvane::kAppVersion);
      return 0;
    }
    if (a == "--") {
      ++i;
      break;
    }
    if (a == "--handheld") {
      if (i + 1 >= argc) return Usage("--handheld needs a folder");
      dir = argv[++i];
      have_dir = true;
    } else if (a.rfind("--handheld=", 0) == 0) {
      dir = a.substr(11);
      have_dir = true;
    } else if (!a.empty() && a[0] == '-') {
      return Usage("unknown option '" + a + "'");
    } else {
      break;  // PROGRAM without a "--" before it
    }
  }
  if (!have_dir || dir.empty()) return Usage("missing --handheld DIR");
  if (i >= argc) return Usage("missing PROGRAM to run");

  int status = 0;
  corvane::FolderLock lock;
  if (!HoldFolder(dir, lock, status)) return status;

  // The conduit may change its working folder; hand it an absolute path.
  char* real = ::realpath(dir.c_str(), nullptr);
  std::string folder = real ? real : dir;
  std::free(real);

  // Signals that arrive before the child's pid is known are held back.
  sigset_t forwarded, old_mask;
  sigemptyset(&forwarded);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&forwarded, sig);
  ::sigprocmask(SIG_BLOCK, &forwarded, &old_mask);
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = ForwardSignal;
  sigemptyset(&sa.sa_mask);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(sig, &sa, nullptr);

  // The conduit gets the read end only; the write end stays here and is
  // closed on exec, so that nothing else holds it: the pipe reaches
  // end-of-file exactly when this launcher is gone, however it ends.
  std::pair<corvane::sys::Fd, corvane::sys::Fd> alive;
  try {
    alive = corvane::sys::Pipe();
  } catch (const corvane::ConduitError& e) {
    std::fprintf(stderr, "hotsync: cannot create a pipe: %s\n", e.description().c_str());
    return kCannotExecute;
  }
  std::string launcher = std::to_string(::getpid());
  pid_t child = ::fork();
  if (child < 0) {
    std::fprintf(stderr, "hotsync: cannot start '%s': %s\n", argv[i], std::strerror(errno));
    return kCannotExecute;
  }
  if (child == 0) {
    struct sigaction dfl;
    std::memset(&dfl, 0, sizeof dfl);
    dfl.sa_handler = SIG_DFL;
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) ::sigaction(sig, &dfl, nullptr);
    ::sigprocmask(SIG_SETMASK, &old_mask, nullptr);
    alive.second.Reset();
    ::fcntl(alive.first.get(), F_SETFD, 0);
    ::setenv(corvane::kHotSyncFolderEnv, folder.c_str(), 1);
    ::setenv(corvane::kHotSyncLauncherEnv, launcher.c_str(), 1);
    ::setenv(corvane::kHotSyncAliveFdEnv, std::to_string(alive.first.get()).c_str(), 1);
    ::execvp(argv[i], argv + i);
    int e = errno;
    if (e == EACCES && !FoundOnPath(argv[i])) e = ENOENT;
    std::fprintf(stderr, "hotsync: cannot run '%s': %s\n", argv[i], std::strerror(e));
    ::_exit(e == ENOENT ? kNotFound : kCannotExecute);
  }
  g_child = child;
  alive.first.Reset();
  ::sigprocmask(SIG_SETMASK, &old_mask, nullptr);

  int wstatus = 0;
  while (::waitpid(child, &wstatus, 0) < 0) {
    if (errno != EINTR) {
      std::fprintf(stderr, "hotsync: waiting for '%s': %s\n", argv[i], std::strerror(errno));
      return kCannotExecute;
    }
  }
  if (WIFEXITED(wstatus)) return WEXITSTATUS(wstatus);
  if (WIFSIGNALED(wstatus)) return 128 + WTERMSIG(wstatus);
  return kCannotExecute;
}
