#pragma once

#include <optional>
#include <string>
#include <vector>

namespace corvane::pc {

struct Options {
  std::string exchange;
  std::string handheld;
  // How hotsync reaches the handheld: "--handheld" (the folder in handheld),
  // or "--listen", "--serial", "--serial-listen" with handheld as its value.
  std::string connection = "--handheld";
  std::string logbook;
  std::string data;
  std::string conduit;  // empty: CorvaneConduit beside corvane-pc
  std::string hotsync;  // empty: hotsync beside corvane-pc
  double timeout = 120;
  std::string answer_timeout;  // hotsync's --answer-timeout for a live handheld, when given
  bool help = false;
  bool version = false;
};

extern const char kHelp[];

// The options of a command line (without argv[0]); raises ConduitError with
// a message for the user when they are wrong or incomplete.
Options ParseOptions(const std::vector<std::string>& args);

}  // namespace corvane::pc
