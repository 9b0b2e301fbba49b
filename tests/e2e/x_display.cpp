#include "e2e/x_display.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace corvane::testing {

XDisplay::XDisplay() {
  // Xvfb picks a free display itself and writes its number to the given descriptor.
  int fds[2];
  if (::pipe(fds) != 0) return;
  ChildProcess::Options options;
  options.program = "Xvfb";
  options.args = {"-displayfd", std::to_string(fds[1]), "-screen", "0", "1024x768x24", "-nolisten",
                  "tcp"};
  server_ = std::make_unique<ChildProcess>(options);
  ::close(fds[1]);
  std::string number;
  char c;
  while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  ::close(fds[0]);
  if (!number.empty()) name_ = ":" + number;
  scratch_ = (std::filesystem::temp_directory_path() /
              ("corvane-xdotool-" + std::to_string(::getpid()) + ".out"))
                 .string();
}

XDisplay::~XDisplay() {
  if (server_) server_->Kill();
  std::filesystem::remove(scratch_);
}

int XDisplay::Run(const std::vector<std::string>& args, std::string* output) const {
  ChildProcess::Options options;
  options.program = args[0];
  options.args.assign(args.begin() + 1, args.end());
  options.env["DISPLAY"] = name_;
  std::filesystem::remove(scratch_);
  options.output_file = scratch_;
  int status = RunChild(options, 30);
  if (output) {
    std::ifstream in(scratch_);
    std::stringstream ss;
    ss << in.rdbuf();
    *output = ss.str();
  }
  return status;
}

std::string XDisplay::FindWindow(const std::string& title, double seconds) const {
  std::string found;
  WaitUntil(
      [&] {
        std::string out;
        if (Run({"xdotool", "search", "--onlyvisible", "--name", "^" + title + "$"}, &out) != 0) {
          return false;
        }
        std::istringstream lines(out);
        std::getline(lines, found);
        return !found.empty();
      },
      seconds);
  return found;
}

bool XDisplay::Click(const std::string& window, int x, int y) const {
  return Run({"xdotool", "mousemove", "--window", window, std::to_string(x), std::to_string(y),
              "click", "1"}) == 0;
}

bool XDisplay::Key(const std::string& window, const std::string& key) const {
  return Run({"xdotool", "windowfocus", "--sync", window, "key", key}) == 0;
}

bool XDisplay::Capture(const std::string& window, const std::string& png) const {
  return Run({"import", "-window", window.empty() ? "root" : window, png}) == 0;
}

}  // namespace corvane::testing
