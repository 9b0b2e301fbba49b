#include "e2e/conduit_run.h"

#include <filesystem>
#include <fstream>

#include "fixtures/log_messages.h"

namespace corvane::testing {

ConduitRun::ConduitRun()
    : app(temp.Sub("app")),
      config(temp.Sub("config")),
      exchange(temp.Sub("exchange") + "/"),
      handheld(temp.Sub("handheld")),
      output(temp.path() + "/output.txt") {
  std::filesystem::copy_file(Bin("CorvaneConduit"), app + "/CorvaneConduit");
}

std::string ConduitRun::Bin(const std::string& name) const {
  return std::string(CORVANE_BIN_DIR) + "/" + name;
}

void ConduitRun::Setting(const std::string& name, const std::string& value) {
  std::string file = temp.File("config/Veltrane-soft/Corvane.conf");
  std::string content = std::filesystem::exists(file) ? ReadFileBytes(file) : "[General]\n";
  WriteFileBytes(file, content + name + "=" + value + "\n");
}

void ConduitRun::SetFlag(const std::string& stage) {
  WriteFileBytes(exchange + "status.flag", stage);
}

std::string ConduitRun::Flag() const {
  return ReadFileBytes(exchange + "status.flag");
}

ChildProcess::Options ConduitRun::Conduit(Launch launch, const std::string& display) const {
  ChildProcess::Options options;
  if (launch == Launch::kHotSync) {
    options.program = Bin("hotsync");
    options.args = {"--handheld", handheld, "--", app + "/CorvaneConduit"};
  } else {
    options.program = app + "/CorvaneConduit";
  }
  options.env["XDG_CONFIG_HOME"] = config;
  // Nothing of this machine's user: no Wine prefix, no per-user log.
  options.env["WINEPREFIX"] = temp.path() + "/wine";
  options.env["XDG_STATE_HOME"] = temp.path() + "/state";
  options.env["QT_QPA_PLATFORM"] = display.empty() ? "offscreen" : "xcb";
  options.env["DISPLAY"] = display.empty() ? std::nullopt : std::optional<std::string>(display);
  options.cwd = temp.Sub("cwd");
  options.output_file = output;
  return options;
}

std::unique_ptr<ChildProcess> ConduitRun::StartPeer(const std::vector<std::string>& steps) const {
  ChildProcess::Options options;
  options.program = Bin("corvane-peer");
  options.args = {"--exchange", exchange};
  options.args.insert(options.args.end(), steps.begin(), steps.end());
  options.output_file = output;
  auto peer = std::make_unique<ChildProcess>(options);
  // The peer renames itself by executing itself again; let that happen first.
  WaitUntil(
      [&] {
        std::ifstream cmdline("/proc/" + std::to_string(peer->pid()) + "/cmdline");
        std::string argv0;
        std::getline(cmdline, argv0, '\0');
        return argv0 == "Corvane.exe";
      },
      10);
  return peer;
}

std::string ConduitRun::WhyAPcApplicationIsSeen() {
  const std::string seen = pc_names.NeedNone();
  if (seen.empty()) return "";
  return "a process named '" + seen +
         "' runs on this machine; the conduit would take it for the PC application";
}

std::vector<std::string> ConduitRun::LogMessages() const {
  return LogMessagesOf(LogFile());
}

}  // namespace corvane::testing
