// corvane-peer: a scripted stand-in for the Corvane PC application, for
// end-to-end tests. It shows itself to the process list as Corvane.exe and
// plays the PC side of the status.flag handshake, one step after another.

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "common/parse_number.h"
#include "common/process_name.h"
#include "common/status_wait.h"
#include "exchange/exchange_files.h"
#include "exchange/small_file.h"
#include "platform/file_size_signal.h"
#include "support/atomic_file.h"
#include "support/join_path.h"

namespace {

constexpr int kUsage = 2;
constexpr int kFailed = 1;
constexpr const char* kDefaultName = "Corvane.exe";

const char kHelp[] =
    "Usage: corvane-peer [--as NAME] --exchange DIR STEP...\n"
    "\n"
    "Plays the PC application's side of the status.flag handshake in the\n"
    "exchange folder DIR, running the steps in the order given:\n"
    "  --write TEXT       write TEXT (no line end) as the whole of status.flag\n"
    "  --wait TEXT        wait until status.flag, trimmed of spaces and\n"
    "                     lower-cased, reads TEXT (compared in lower case);\n"
    "                     polls every 50 ms\n"
    "  --timeout SECONDS  time limit of the following waits (default 30)\n"
    "  --run COMMAND      run COMMAND with /bin/sh -c; it must exit with 0\n"
    "  --sleep SECONDS    pause\n"
    "\n"
    "The peer runs under the process name NAME (default Corvane.exe), so that\n"
    "the conduit's check for a running PC application finds it.\n"
    "\n"
    "Exit status: 0 when every step succeeded, 1 when a wait timed out or a\n"
    "step failed (with a message naming it), 2 for bad usage.\n";

struct Step {
  std::string kind;
  std::string arg;
  double timeout = 30;
};

int Usage(const std::string& message) {
  std::fprintf(stderr, "corvane-peer: %s\nTry 'corvane-peer --help'.\n", message.c_str());
  return kUsage;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "corvane-peer: %s\n", message.c_str());
  return kFailed;
}

}  // namespace

int main(int argc, char** argv) {
  corvane::IgnoreFileSizeSignal();
  std::string name = kDefaultName;
  std::string exchange;
  std::vector<Step> steps;
  double timeout = 30;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "-h" || a == "--help") {
      std::fputs(kHelp, stdout);
      return 0;
    }
    bool takes_value = a == "--as" || a == "--exchange" || a == "--write" || a == "--wait" ||
                       a == "--timeout" || a == "--run" || a == "--sleep";
    if (!takes_value) return Usage("unknown argument '" + a + "'");
    if (i + 1 >= argc) return Usage(a + " needs a value");
    const char* value = argv[++i];
    if (a == "--as") {
      name = value;
    } else if (a == "--exchange") {
      exchange = value;
    } else if (a == "--timeout") {
      if (!corvane::ParseNumber(value, timeout)) {
        return Usage("bad --timeout '" + std::string(value) + "'");
      }
    } else {
      double seconds = 0;
      if (a == "--sleep" && !corvane::ParseNumber(value, seconds)) {
        return Usage("bad --sleep '" + std::string(value) + "'");
      }
      steps.push_back({a.substr(2), value, timeout});
    }
  }
  if (exchange.empty()) return Usage("missing --exchange DIR");
  if (name.empty() || name.find('/') != std::string::npos) return Usage("bad --as NAME");

  // Take on the PC application's name: the same program, started again with
  // the name as argv[0]; the process id stays the same.
  if (!corvane::TakeProcessName(argc, argv, name)) {
    return Fail("cannot take the name " + name + ": " + std::strerror(errno));
  }

  const std::string flag = corvane::JoinPath(exchange, corvane::kStatusFileName);
  for (const Step& step : steps) {
    if (step.kind == "write") {
      // Replaced whole, so the conduit never reads half a stage.
      try {
        corvane::WriteFileAtomically(flag, step.arg);
      } catch (const std::exception& e) {
        return Fail("cannot write '" + step.arg + "' into " + flag + ": " + e.what());
      }
    } else if (step.kind == "wait") {
      const std::string want = corvane::SmallFileText(step.arg);
      const corvane::StatusWait wait = corvane::WaitForStatus(
          flag, step.timeout, [&](const std::string& seen) { return seen == want; });
      if (!wait.done) {
        return Fail("timed out after " + std::to_string(step.timeout) + " s waiting for '" + want +
                    "' in " + flag + "; it reads '" + (wait.read ? wait.seen : "(no file)") + "'");
      }
    } else if (step.kind == "run") {
      int status = std::system(step.arg.c_str());
      if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return Fail("command failed: " + step.arg);
      }
    } else if (step.kind == "sleep") {
      std::this_thread::sleep_for(
          std::chrono::duration<double>(std::strtod(step.arg.c_str(), nullptr)));
    }
  }
  return 0;
}
