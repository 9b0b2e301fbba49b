#include "handheld_sim/sim_options.h"

#include <cerrno>
#include <cstdlib>
#include <limits>
#include <set>

#include "support/conduit_error.h"
#include "support/serial_port.h"
#include "support/socket.h"

namespace corvane::handheld_sim {

const char kHelp[] =
    "Usage: corvane-handheld --folder DIR (--netsync HOST:PORT | --serial-tcp HOST:PORT |\n"
    "                        --serial-pty) [OPTIONS]\n"
    "       corvane-handheld --help | --version\n"
    "\n"
    "Serves the handheld folder DIR (one Palm database file per database, found\n"
    "by the name in its header) as a live handheld that a desktop synchronises\n"
    "with, as hotsync --listen, --serial or --serial-listen does. The handheld\n"
    "speaks first: it connects to the desktop, or waits on its pseudo-terminal.\n"
    "\n"
    "  --folder DIR          the handheld folder; what the desktop changed is\n"
    "                        written back when the session ends, however it ends\n"
    "  --netsync HOST:PORT   connect to a desktop listening for NetSync (network\n"
    "                        HotSync), trying again until the time-out\n"
    "  --serial-tcp HOST:PORT  connect the same way and speak the serial stack\n"
    "                        (SLP, PADP, CMP), as an emulator's serial port does\n"
    "  --serial-pty          open a pseudo-terminal, print \"tty: PATH\" as the\n"
    "                        first line, and speak the serial stack on it\n"
    "                        (the desktop runs hotsync --serial PATH)\n"
    "  --user-id N           the user's id (default 1; 0: a handheld never synced)\n"
    "  --user-name NAME      the user's name (default \"Corvane Pilot\")\n"
    "  --baud N              the rate the serial wakeup offers (default 115200)\n"
    "  --drop-after N        close the connection when the N-th DLP request comes\n"
    "                        (ReadSysInfo is the first) instead of answering it\n"
    "  --silent-after N      answer nothing from the N-th request on, staying\n"
    "                        connected until killed or the time-out\n"
    "  --timeout SECONDS     give up when the session has not ended by then\n"
    "                        (default 120)\n"
    "  --stats FILE          at the end, write key=value lines: requests, faults,\n"
    "                        bytes_in, bytes_out (every byte each way, framing\n"
    "                        included), log (one line per HotSync log entry,\n"
    "                        backslash, CR and LF escaped), end (normal, error or\n"
    "                        none) and per_command.NAME\n"
    "  -h, --help            show this help\n"
    "  --version             show the version\n"
    "\n"
    "Every request is checked: one that does not decode, has wrong arguments,\n"
    "names a handle that is not open or writes through a read-only one is a\n"
    "fault, answered with the handheld's DLP error and told on stderr.\n"
    "\n"
    "Exit status: 0 when the desktop ended the sync with EndOfSync and no\n"
    "request was a fault, 1 when the session ended otherwise (dropped on\n"
    "purpose, connection lost, time-out) or the folder could not be read or\n"
    "written, 3 when a request was a fault, 2 for a wrong command line.\n";

namespace {

const std::set<std::string> kValued = {"--folder",    "--netsync", "--serial-tcp", "--user-id",
                                       "--user-name", "--baud",    "--drop-after", "--silent-after",
                                       "--timeout",   "--stats"};

ConduitError Usage(const std::string& message) {
  return ConduitError(err::kBadArgument, message);
}

uint64_t Number(const std::string& option, const std::string& value, uint64_t low, uint64_t high) {
  char* end = nullptr;
  errno = 0;
  const unsigned long long n = std::strtoull(value.c_str(), &end, 10);
  if (value.empty() || value[0] == '-' || *end != '\0' || errno != 0 || n < low || n > high) {
    throw Usage("bad " + option + " '" + value + "'");
  }
  return n;
}

}  // namespace

SimOptions ParseSimOptions(const std::vector<std::string>& args) {
  SimOptions options;
  int links = 0;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    if (name == "-h" || name == "--help" || name == "--version") {
      (name == "--version" ? options.version : options.help) = true;
      return options;
    }
    if (name == "--serial-pty") {
      options.link = LinkKind::kSerialPty;
      ++links;
      continue;
    }
    std::string value;
    const size_t eq = name.find('=');
    const bool inline_value = name.rfind("--", 0) == 0 && eq != std::string::npos;
    if (inline_value) {
      value = name.substr(eq + 1);
      name.resize(eq);
    }
    if (!kValued.count(name)) throw Usage("unknown argument '" + args[i] + "'");
    if (!inline_value) {
      if (i + 1 >= args.size()) throw Usage(name + " needs a value");
      value = args[++i];
    }
    if (value.empty()) throw Usage(name + " needs a value");
    if (name == "--folder") {
      options.folder = value;
    } else if (name == "--netsync" || name == "--serial-tcp") {
      options.link = name == "--netsync" ? LinkKind::kNetSync : LinkKind::kSerialTcp;
      sys::ParseHostPort(value);  // raises for an address that cannot be read
      options.address = value;
      ++links;
    } else if (name == "--user-id") {
      options.user.id = static_cast<uint32_t>(Number(name, value, 0, UINT32_MAX));
    } else if (name == "--user-name") {
      if (value.size() > 40) throw Usage("--user-name takes at most 40 characters");
      options.user.name = value;
    } else if (name == "--baud") {
      options.baud = static_cast<uint32_t>(Number(name, value, 1, UINT32_MAX));
      if (!sys::IsSerialRate(options.baud)) throw Usage("--baud " + value + " is no serial rate");
    } else if (name == "--drop-after" || name == "--silent-after") {
      (name == "--drop-after" ? options.drop_after : options.silent_after) =
          Number(name, value, 1, std::numeric_limits<size_t>::max());
    } else if (name == "--timeout") {
      char* end = nullptr;
      options.timeout = std::strtod(value.c_str(), &end);
      if (*end != '\0' || !(options.timeout > 0) || options.timeout > 1e6) {
        throw Usage("bad --timeout '" + value + "'");
      }
    } else {
      options.stats = value;
    }
  }
  if (options.folder.empty()) throw Usage("--folder DIR is needed");
  if (links != 1) throw Usage("one of --netsync, --serial-tcp and --serial-pty is needed");
  return options;
}

}  // namespace corvane::handheld_sim
