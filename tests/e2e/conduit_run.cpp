#include "e2e/conduit_run.h"

#include <sys/file.h>

#include <filesystem>
#include <fstream>

#include "control/startup.h"
#include "platform/system_process_list.h"
#include "support/mod_process_list.h"

namespace corvane::testing {

ConduitRun::ConduitRun()
    : app(temp.Sub("app")),
      config(temp.Sub("config")),
      exchange(temp.Sub("exchange") + "/"),
      handheld(temp.Sub("handheld")),
      output(temp.path() + "/output.txt") {
  ::flock(names_lock, LOCK_SH);
  std::filesystem::copy_file(Bin("CorvaneConduit"), app + "/CorvaneConduit");
}

void ConduitRun::Setting(const std::string& name, const std::string& value) {
  const std::string file = temp.File("config/Veltrane-soft/Corvane.conf");
  const std::string content = std::filesystem::exists(file) ? ReadFileBytes(file) : "[General]\n";
  WriteFileBytes(file, content + name + "=" + value + "\n");
}

ChildProcess::Options ConduitRun::Conduit(Launch launch, const std::string& display) const {
  ChildProcess::Options options{app + "/CorvaneConduit"};
  if (launch == Launch::kHotSync) {
    options = {Bin("hotsync"), {"--handheld", handheld, "--", app + "/CorvaneConduit"}};
  }
  // Nothing of this machine's user: no Wine prefix, no per-user log.
  options.env = {{"XDG_CONFIG_HOME", config},
                 {"WINEPREFIX", temp.path() + "/wine"},
                 {"XDG_STATE_HOME", temp.path() + "/state"},
                 {"QT_QPA_PLATFORM", display.empty() ? "offscreen" : "xcb"},
                 {"DISPLAY", display.empty() ? std::nullopt : std::optional<std::string>(display)}};
  options.cwd = temp.Sub("cwd");
  options.output_file = output;
  return options;
}

std::unique_ptr<ChildProcess> ConduitRun::StartPeer(const std::vector<std::string>& steps) const {
  ChildProcess::Options options{Bin("corvane-peer"), {"--exchange", exchange}};
  options.args.insert(options.args.end(), steps.begin(), steps.end());
  options.output_file = output;
  auto peer = std::make_unique<ChildProcess>(options);
  // The peer renames itself by executing itself again; let that happen first.
  WaitUntil(
      [&] {
        std::ifstream cmdline("/proc/" + std::to_string(peer->pid()) + "/cmdline");
        std::string argv0;
        return std::getline(cmdline, argv0, '\0') && argv0 == "Corvane.exe";
      },
      10);
  return peer;
}

std::string ConduitRun::WhyAPcApplicationIsSeen() {
  ::flock(names_lock, LOCK_EX);
  for (const std::string& name :
       MakeSystemProcessList()->Snapshot().value_or(std::vector<std::string>{})) {
    if (RegExpTest(kPcApplicationPattern, name, true)) {
      return "a process named '" + name +
             "' runs on this machine; the conduit would take it for the PC application";
    }
  }
  return "";
}

}  // namespace corvane::testing
