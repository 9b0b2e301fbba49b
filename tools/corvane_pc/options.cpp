#include "corvane_pc/options.h"

#include <cstdlib>

#include "support/conduit_error.h"

namespace corvane::pc {

const char kHelp[] =
    "Usage: corvane-pc --exchange DIR HANDHELD --logbook FILE.csv --data DIR\n"
    "                  [--conduit PATH] [--hotsync PATH] [--timeout SECONDS]\n"
    "       corvane-pc --help | --version\n"
    "\n"
    "Plays the Corvane PC application's side of one synchronisation, under the\n"
    "process name Corvane.exe:\n"
    "  1. sets PalmSyncPath in the per-user settings to the exchange folder,\n"
    "     writes \"stage1 pda2pc\" and starts the conduit through hotsync on the\n"
    "     handheld folder;\n"
    "  2. at \"stage2 waiting pc\": takes the new flights of db.txt into the\n"
    "     logbook, merges the handheld's pick lists with its own and writes them\n"
    "     back, writes corvane.txt from its schema and the reports into Reports;\n"
    "  3. writes \"stage3 pc2pda\" and waits for \"stage4 alldone\" and the\n"
    "     conduit's end.\n"
    "\n"
    "  --exchange DIR     the exchange folder (created when missing)\n"
    "HANDHELD, as hotsync reaches it (hotsync --help):\n"
    "  --handheld DIR     the handheld folder: one .pdb file per database\n"
    "  --listen [HOST:]PORT, --serial DEVICE, --serial-listen [HOST:]PORT\n"
    "                     a live handheld that connects over NetSync, a serial\n"
    "                     line, or the serial stack over TCP\n"
    "\n"
    "  --logbook FILE     the logbook, CSV with a header of field names\n"
    "  --data DIR         the PC application's own data: schema.txt\n"
    "                     (FieldName|CustomDataType|DisplayName|PanelNumber lines)\n"
    "                     and its pick lists acreg_actype.txt, airport.txt,\n"
    "                     PERSON.txt, simulator.txt (updated after a good run)\n"
    "  --conduit PATH     the conduit (default: CorvaneConduit beside corvane-pc)\n"
    "  --hotsync PATH     the launcher (default: hotsync beside corvane-pc)\n"
    "  --timeout SECONDS  how long to wait for each answer of the conduit\n"
    "                     (default 120)\n"
    "  --answer-timeout SECONDS\n"
    "                     with a live handheld, how long hotsync lets it stay\n"
    "                     silent while an answer is due (hotsync's default: 60)\n"
    "  -h, --help         show this help\n"
    "  --version          show the version\n"
    "\n"
    "The new flights enter the logbook only when the conduit has finished the\n"
    "whole synchronisation with status 0; a flight already in the logbook is\n"
    "never added again. Until then they wait in FILE.pending (logbook.csv.pending), which the\n"
    "next run takes in first. When the hotsync launcher ends before \"stage4\n"
    "alldone\", corvane-pc ends the launcher's whole process group, a conduit\n"
    "that outlived it included, and keeps the pending flights whenever the\n"
    "conduit may have cleared the handheld.\n"
    "\n"
    "Exit status: 0 when the synchronisation completed, 1 when it failed (with\n"
    "a message saying where), 2 for a wrong command line.\n";

Options ParseOptions(const std::vector<std::string>& args) {
  auto usage = [](const std::string& message) { return ConduitError(err::kBadArgument, message); };
  Options options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-h" || a == "--help" || a == "--version") {
      (a == "--version" ? options.version : options.help) = true;
      return options;
    }
    const bool connection =
        a == "--handheld" || a == "--listen" || a == "--serial" || a == "--serial-listen";
    if (connection) options.connection = a;
    std::string* target = a == "--exchange"         ? &options.exchange
                          : connection              ? &options.handheld
                          : a == "--logbook"        ? &options.logbook
                          : a == "--data"           ? &options.data
                          : a == "--conduit"        ? &options.conduit
                          : a == "--hotsync"        ? &options.hotsync
                          : a == "--answer-timeout" ? &options.answer_timeout
                                                    : nullptr;
    if (!target && a != "--timeout") throw usage("unknown argument '" + a + "'");
    if (i + 1 >= args.size() || args[i + 1].empty()) throw usage(a + " needs a value");
    const std::string& value = args[++i];
    if (target) {
      *target = value;
      continue;
    }
    char* end = nullptr;
    options.timeout = std::strtod(value.c_str(), &end);
    if (*end != '\0' || !(options.timeout > 0)) throw usage("bad --timeout '" + value + "'");
  }
  for (auto [value, name] : {std::pair{&options.exchange, "--exchange DIR"},
                             {&options.handheld, "--handheld DIR (or a live handheld)"},
                             {&options.logbook, "--logbook FILE"},
                             {&options.data, "--data DIR"}}) {
    if (value->empty()) throw usage("missing " + std::string(name));
  }
  return options;
}

}  // namespace corvane::pc
