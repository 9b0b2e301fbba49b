#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "handheld_sim/session_commands.h"

namespace corvane::handheld_sim {

enum class LinkKind { kNetSync, kSerialTcp, kSerialPty };

struct SimOptions {
  std::string folder;
  LinkKind link = LinkKind::kNetSync;
  std::string address;  // HOST:PORT of the desktop, for the TCP links
  HandheldUser user;
  uint32_t baud = 115200;
  size_t drop_after = 0;
  size_t silent_after = 0;
  double timeout = 120;
  std::string stats;
  bool help = false;
  bool version = false;
};

extern const char kHelp[];

// The options of a command line (without argv[0]); raises ConduitError
// (err::kBadArgument) with a message for the user when they are wrong or
// incomplete. "--name VALUE" and "--name=VALUE" alike.
SimOptions ParseSimOptions(const std::vector<std::string>& args);

}  // namespace corvane::handheld_sim
