#pragma once

#include <sys/types.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace corvane::testing {

// A real child process for end-to-end tests: started with its own argv[0]
// and environment changes, its output kept in a file, killed when the test
// lets go of it.
class ChildProcess {
 public:
  struct Options {
    std::string program;                                    // path, or a name looked up in PATH
    std::vector<std::string> args;                          // without argv[0]
    std::optional<std::string> argv0;                       // defaults to program
    std::map<std::string, std::optional<std::string>> env;  // nullopt removes
    std::string cwd;
    std::string output_file;  // stdout and stderr; /dev/null when empty
  };

  explicit ChildProcess(const Options& options);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The exit status (128 + signal when killed), or nothing when it is still
  // running after seconds.
  std::optional<int> Wait(double seconds);
  void Kill();
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
};

// Runs a child to its end; -1 when it had to be killed after seconds.
int RunChild(const ChildProcess::Options& options, double seconds = 60);

// Waits until condition() holds, polling every 20 ms; false after seconds.
bool WaitUntil(const std::function<bool()>& condition, double seconds);

}  // namespace corvane::testing
