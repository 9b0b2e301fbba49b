#include "e2e/x_display.h"

#include <unistd.h>

#include <filesystem>

namespace corvane::testing {

XDisplay::XDisplay() {
  // Xvfb picks a free display itself and writes its number to the given descriptor.
  int fds[2];
  if (::pipe(fds) != 0) return;
  server_ = std::make_unique<ChildProcess>(ChildProcess::Options{
      "Xvfb",
      {"-displayfd", std::to_string(fds[1]), "-screen", "0", "1024x768x24", "-nolisten", "tcp"}});
  ::close(fds[1]);
  std::string number;
  for (char c; ::read(fds[0], &c, 1) == 1 && c != '\n';) number += c;
  ::close(fds[0]);
  if (!number.empty()) name_ = ":" + number;
}

int XDisplay::Run(const std::vector<std::string>& args, std::string* output) const {
  const std::string out = scratch_.path() + "/output";
  std::filesystem::remove(out);
  const int status =
      RunChild({args[0], {args.begin() + 1, args.end()}, {{"DISPLAY", name_}}, "", out}, 30);
  if (output) *output = std::filesystem::exists(out) ? ReadFileBytes(out) : "";
  return status;
}

std::string XDisplay::FindWindow(const std::string& title) const {
  std::string found;
  Run({"xdotool", "search", "--sync", "--onlyvisible", "--name", "^" + title + "$"}, &found);
  return found.substr(0, found.find('\n'));
}

bool XDisplay::Click(const std::string& window, int x, int y) const {
  return Run({"xdotool", "mousemove", "--window", window, std::to_string(x), std::to_string(y),
              "click", "1"}) == 0;
}

bool XDisplay::Key(const std::string& window, const std::string& key) const {
  return Run({"xdotool", "windowfocus", "--sync", window, "key", key}) == 0;
}

bool XDisplay::Capture(const std::string& window, const std::string& png) const {
  return Run({"import", "-window", window, png}) == 0;
}

}  // namespace corvane::testing
