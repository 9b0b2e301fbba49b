// hotsync: runs a program as the conduit of a HotSync operation, on the
// handheld in a folder or on a live handheld that connects over the network
// or a serial line.

#include <signal.h>
#include <stdio.h>

#include <string>

#include "common/parse_number.h"
#include "hotsync/exit_status.h"
#include "hotsync/folder_mode.h"
#include "hotsync/live_session.h"
#include "platform/file_size_signal.h"
#include "support/serial_port.h"
#include "version.h"

namespace {

using corvane::ParseNumber;
using corvane::hotsync::LiveOptions;

const char kHelp[] =
    "Usage: hotsync --handheld DIR -- PROGRAM [ARGS...]\n"
    "       hotsync --listen [HOST:]PORT [OPTIONS] -- PROGRAM [ARGS...]\n"
    "       hotsync --serial DEVICE [--baud N] [OPTIONS] -- PROGRAM [ARGS...]\n"
    "       hotsync --serial-listen [HOST:]PORT [OPTIONS] -- PROGRAM [ARGS...]\n"
    "       hotsync --help | --version\n"
    "\n"
    "Runs PROGRAM as the conduit of a HotSync operation.\n"
    "\n"
    "  --handheld DIR   the handheld is DIR, a folder holding one Palm database\n"
    "                   file (<name>.pdb) per database, held with an exclusive\n"
    "                   lock while PROGRAM runs\n"
    "  --listen [HOST:]PORT\n"
    "                   waits for a handheld's network HotSync (NetSync; handhelds\n"
    "                   use port 14238). A port alone is 127.0.0.1: give the\n"
    "                   machine's address, or 0.0.0.0, for a handheld on the network\n"
    "  --serial DEVICE  waits for a handheld on a tty (/dev/ttyS0, /dev/ttyUSB1, a\n"
    "                   pseudo-terminal), in whichever stack it speaks: the serial\n"
    "                   stack (SLP, PADP, CMP) or NetSync (USB handhelds)\n"
    "  --serial-listen [HOST:]PORT\n"
    "                   waits for the serial stack carried over TCP (an emulator's\n"
    "                   redirected serial port); a port alone is 127.0.0.1\n"
    "  --baud N         the fastest rate the serial stack agrees to (default 115200)\n"
    "  --timeout S      gives up when no handheld came within S seconds\n"
    "  --answer-timeout S\n"
    "                   gives the handheld up when it stays silent S seconds while\n"
    "                   an answer is due (default 60)\n"
    "  --pair           synchronises this handheld from now on, even when another\n"
    "                   one was paired before\n"
    "  --name NAME      with --pair, the user name a never-named handheld gets\n"
    "  -h, --help       shows this help\n"
    "  --version        shows the version\n"
    "\n"
    "PROGRAM sees a HotSync operation in progress exactly while this launcher\n"
    "runs it and holds the handheld for it: the environment tells it the folder,\n"
    "or the channel through which its DLP requests reach the live handheld\n"
    "(CORVANE_HOTSYNC_FOLDER or CORVANE_HOTSYNC_CHANNEL_FD), the launcher\n"
    "(CORVANE_HOTSYNC_LAUNCHER) and a pipe that reaches end-of-file when the\n"
    "operation is over (CORVANE_HOTSYNC_ALIVE_FD). Once hotsync is gone, however\n"
    "it ended, or the handheld's connection failed, the operation is over and\n"
    "the conduit ends.\n"
    "\n"
    "A live handheld is paired: the first one synchronised is remembered\n"
    "($XDG_CONFIG_HOME/Veltrane-soft/hotsync.conf) and any other is refused,\n"
    "without running PROGRAM, unless --pair is given. After PROGRAM, hotsync\n"
    "adds a line to the handheld's HotSync log and ends the sync.\n"
    "\n"
    "SIGINT, SIGTERM and SIGHUP are passed on to PROGRAM.\n"
    "\n"
    "Exit status: PROGRAM's exit status, or 128+N when PROGRAM was ended by\n"
    "signal N; 1 when the handheld's connection failed while PROGRAM ran;\n"
    "2 for bad usage; 120 when no handheld came within --timeout; 121 when the\n"
    "handheld's connection failed before or after PROGRAM; 122 when the handheld\n"
    "was refused (not the paired one, or never named); 125 when DIR, DEVICE or\n"
    "the address was refused; 126 when PROGRAM cannot be run; 127 when PROGRAM\n"
    "was not found.\n";

int Usage(const std::string& message) {
  std::fprintf(stderr, "hotsync: %s\nTry 'hotsync --help'.\n", message.c_str());
  return corvane::hotsync::kUsage;
}

}  // namespace

int main(int argc, char** argv) {
  corvane::IgnoreFileSizeSignal();
  // A peer that hangs up is an error of the write, not the end of hotsync.
  ::signal(SIGPIPE, SIG_IGN);
  std::string dir, mode;
  LiveOptions live;
  int i = 1;
  for (; i < argc; ++i) {
    const std::string a = argv[i];
    const bool takes_value = a == "--handheld" || a == "--listen" || a == "--serial" ||
                             a == "--serial-listen" || a == "--baud" || a == "--timeout" ||
                             a == "--name" || a == "--answer-timeout";
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
    std::string value;
    if (takes_value) {
      if (i + 1 >= argc) return Usage(a + " needs a value");
      value = argv[++i];
    } else if (a.rfind("--handheld=", 0) == 0) {
      value = a.substr(11);
    }
    if (a == "--handheld" || a.rfind("--handheld=", 0) == 0) {
      if (!mode.empty())
        return Usage("give one of --handheld, --listen, --serial, --serial-listen");
      mode = "--handheld";
      dir = value;
    } else if (a == "--listen" || a == "--serial" || a == "--serial-listen") {
      if (!mode.empty())
        return Usage("give one of --handheld, --listen, --serial, --serial-listen");
      mode = a;
      live.where = value;
      live.connection = a == "--listen"   ? LiveOptions::Connection::kNetSync
                        : a == "--serial" ? LiveOptions::Connection::kSerialDevice
                                          : LiveOptions::Connection::kSerialTcp;
    } else if (a == "--baud") {
      double baud = 0;
      if (!ParseNumber(value, baud) || !corvane::sys::IsSerialRate(static_cast<uint32_t>(baud)) ||
          baud != static_cast<uint32_t>(baud)) {
        return Usage("bad --baud '" + value + "' (9600, 19200, 38400, 57600, 115200 or 230400)");
      }
      live.max_baud = static_cast<uint32_t>(baud);
    } else if (a == "--timeout") {
      double seconds = 0;
      if (!ParseNumber(value, seconds)) return Usage("bad --timeout '" + value + "'");
      live.timeout = seconds;
    } else if (a == "--answer-timeout") {
      if (!ParseNumber(value, live.answer_timeout) || live.answer_timeout <= 0) {
        return Usage("bad --answer-timeout '" + value + "'");
      }
    } else if (a == "--name") {
      live.name = value;
    } else if (a == "--pair") {
      live.pair = true;
    } else if (!a.empty() && a[0] == '-') {
      return Usage("unknown option '" + a + "'");
    } else {
      break;  // PROGRAM without a "--" before it
    }
  }
  if (mode.empty()) return Usage("missing --handheld DIR, --listen, --serial or --serial-listen");
  if (i >= argc) return Usage("missing PROGRAM to run");
  if (mode == "--handheld") {
    if (dir.empty()) return Usage("missing --handheld DIR");
    if (live.pair || live.timeout || !live.name.empty()) {
      return Usage("--pair, --name and --timeout go with a live handheld only");
    }
    return corvane::hotsync::RunFolderSession(dir, argv + i);
  }
  if (live.where.empty()) return Usage(mode + " needs a value");
  if (!live.name.empty() && !live.pair) return Usage("--name goes with --pair");
  return corvane::hotsync::RunLiveSession(live, argv + i);
}
