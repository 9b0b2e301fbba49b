#include "hotsync/live_session.h"

#include <stdio.h>

#include <memory>
#include <random>

#include "handheld/hotsync_link.h"
#include "hotsync/conduit_launch.h"
#include "hotsync/exit_status.h"
#include "hotsync/pairing.h"
#include "hotsync/relay.h"
#include "link/dlp_client.h"
#include "link/netsync.h"
#include "link/serial_transport.h"
#include "support/conduit_error.h"
#include "support/serial_port.h"
#include "support/socket.h"

namespace corvane::hotsync {
namespace {

// How long an opened connection may take to finish its opening exchange.
constexpr std::chrono::seconds kOpening{60};
// What the serial stack's end still acknowledges after EndOfSync.
constexpr std::chrono::seconds kLinger{2};

void Say(const std::string& text) {
  std::fprintf(stderr, "hotsync: %s\n", text.c_str());
}

link::Deadline WaitLimit(const LiveOptions& options) {
  return options.timeout ? link::After(std::chrono::milliseconds(
                               static_cast<long long>(*options.timeout * 1000)))
                         : link::Deadline::max();
}

// The handheld's connection and the stack it speaks.
struct Connection {
  std::unique_ptr<sys::SerialPort> port;
  std::unique_ptr<link::ByteStream> wire;
  std::unique_ptr<link::ByteStream> prefixed;  // over wire, when the first bytes told the stack
  std::unique_ptr<link::DlpTransport> transport;
  link::SerialDesktop* serial = nullptr;  // transport, on the serial stack
  std::string description;

  std::chrono::milliseconds silence{60000};

  void Serial(link::ByteStream& stream, uint32_t max_baud, link::Deadline deadline) {
    sys::SerialPort* tty = port.get();
    link::SerialOptions serial_options;
    serial_options.max_baud = max_baud;
    serial_options.silence_limit = silence;
    auto desktop = std::make_unique<link::SerialDesktop>(
        stream,
        [tty](uint32_t baud) {
          if (tty) tty->SetBaud(baud);
        },
        serial_options);
    desktop->Open(deadline);
    serial = desktop.get();
    transport = std::move(desktop);
  }
  void NetSync(link::ByteStream& stream) {
    auto desktop = std::make_unique<link::NetSyncDesktop>(stream, silence);
    desktop->Open();
    transport = std::move(desktop);
  }
};

// On a tty the handheld says what it speaks with its first byte: SLP's
// signature, or a NetSync datagram (many USB handhelds through the kernel's
// visor driver). Whatever came before either is line noise.
void OpenOnTty(Connection& c, const LiveOptions& options) {
  c.port = std::make_unique<sys::SerialPort>(options.where);
  c.wire = std::make_unique<link::FdStream>(c.port->Duplicate(), options.where);
  Say("waiting for a handheld on " + options.where + " (serial, at most " +
      std::to_string(options.max_baud) + " baud)");
  uint8_t first = 0;
  for (size_t noise = 0;; ++noise) {
    c.wire->ReadSome(&first, 1, WaitLimit(options));
    if (first == 0xBE || first == 0x01) break;
    if (noise > 4096) throw ConduitError(err::kLinkMalformed, "only noise on " + options.where);
  }
  c.prefixed = std::make_unique<link::PrefixedStream>(*c.wire, Bytes{first});
  if (first == 0xBE) {
    c.Serial(*c.prefixed, options.max_baud, link::After(kOpening));
    c.description = "serial, " + options.where;
  } else {
    c.NetSync(*c.prefixed);
    c.description = "NetSync on " + options.where;
  }
}

void OpenOnTcp(Connection& c, const LiveOptions& options, const sys::Fd& listener,
               const std::string& where) {
  const bool netsync = options.connection == LiveOptions::Connection::kNetSync;
  Say("waiting for a handheld on " + where + (netsync ? " (NetSync)" : " (serial stack over TCP)"));
  std::optional<sys::Accepted> accepted;
  const link::Deadline limit = WaitLimit(options);
  const auto left =
      limit == link::Deadline::max()
          ? std::optional<std::chrono::milliseconds>()
          : std::chrono::duration_cast<std::chrono::milliseconds>(limit - link::SteadyClock::now());
  accepted = sys::Accept(listener, left);
  if (!accepted) throw ConduitError(err::kLinkTimeout, "no handheld came");
  c.wire = std::make_unique<link::FdStream>(std::move(accepted->socket), accepted->peer);
  if (netsync) {
    c.NetSync(*c.wire);
    c.description = "NetSync from " + accepted->peer;
  } else {
    c.Serial(*c.wire, options.max_baud, link::After(kOpening));
    c.description = "serial stack over TCP from " + accepted->peer;
  }
}

std::string ProgramName(const char* program) {
  const std::string path = program;
  return path.substr(path.rfind('/') + 1);
}

// Refuses the handheld: the pilot reads why on the handheld and here.
int RefuseHandheld(link::DlpClient& dlp, Connection& c, const std::string& why,
                   const std::string& log_line) {
  Say(why);
  dlp.AddSyncLogEntry(log_line);
  dlp.EndOfSync(link::SyncEnd::kError);
  if (c.serial) c.serial->Finish(kLinger);
  return kHandheldRefused;
}

// The pairing: a handheld never named gets its name here with --pair --name.
std::optional<int> CheckPairing(link::DlpClient& dlp, Connection& c, const LiveOptions& options,
                                link::UserInfo& user) {
  if (user.user_id == 0 && options.pair && !options.name.empty()) {
    std::random_device random;
    user.user_id = std::uniform_int_distribution<uint32_t>(1, 0x7FFFFFFF)(random);
    user.user_name = options.name;
    link::UserInfoUpdate naming;
    naming.change = link::UserInfoUpdate::kUserId | link::UserInfoUpdate::kUserName;
    naming.user_id = user.user_id;
    naming.user_name = user.user_name;
    dlp.WriteUserInfo(naming);
    Say("the handheld is named '" + user.user_name + "' (user id " + std::to_string(user.user_id) +
        ")");
  }
  const std::string who = "'" + user.user_name + "' (user id " + std::to_string(user.user_id) + ")";
  std::optional<PairedHandheld> paired;
  try {
    paired = ReadPairing();
  } catch (const ConduitError& e) {
    return RefuseHandheld(dlp, c, "cannot read the pairing: " + e.description(),
                          "Not synchronized: this desktop's pairing cannot be read");
  }
  switch (JudgePairing(paired, user.user_id, options.pair)) {
    case PairingVerdict::kPaired:
      return std::nullopt;
    case PairingVerdict::kPairNow:
      WritePairing({user.user_id, user.user_name});
      Say("paired with the handheld of " + who + " (" + PairingFile() + ")");
      return std::nullopt;
    case PairingVerdict::kNameless:
      return RefuseHandheld(
          dlp, c,
          "refused a handheld that has never been given a user name (user id 0); name it with "
          "--pair --name 'YOUR NAME'",
          "Not synchronized: give this handheld a user name first");
    case PairingVerdict::kOther:
      break;
  }
  return RefuseHandheld(dlp, c,
                        "refused the handheld of " + who +
                            ": this desktop synchronises the handheld of '" + paired->user_name +
                            "' (user id " + std::to_string(paired->user_id) +
                            ") only; --pair synchronises this one instead from now on",
                        "Not synchronized: this desktop belongs to another handheld");
}

}  // namespace

int RunLiveSession(const LiveOptions& options, char** program) {
  Connection c;
  c.silence = std::chrono::milliseconds(static_cast<long long>(options.answer_timeout * 1000));
  sys::Fd listener;
  std::string where;
  try {
    if (options.connection != LiveOptions::Connection::kSerialDevice) {
      sys::HostPort address = sys::ParseHostPort(options.where);
      listener = sys::Listen(address);
      address.port = sys::LocalPort(listener);
      where = sys::ToText(address);
    }
  } catch (const ConduitError& e) {
    Say(e.description());
    return kRefused;
  }
  try {
    if (listener.valid()) {
      OpenOnTcp(c, options, listener, where);
      listener.Reset();  // one handheld a session
    } else {
      OpenOnTty(c, options);
    }
  } catch (const ConduitError& e) {
    if (e.number() == err::kLinkTimeout && !c.transport) {
      Say("no handheld came within " + std::to_string(static_cast<long>(*options.timeout)) + " s");
      return kNoHandheld;
    }
    Say("the handheld's connection failed: " + e.description());
    return e.number() == err::kLinkClosed || e.number() == err::kLinkTimeout ||
                   e.number() == err::kLinkMalformed
               ? kLinkFailed
               : kRefused;
  }
  link::DlpClient dlp(*c.transport);
  std::unique_ptr<link::FdStream> channel;
  std::unique_ptr<ConduitLaunch> conduit;
  try {
    dlp.ReadSysInfo();
    link::UserInfo user = dlp.ReadUserInfo();
    Say("the handheld of '" + user.user_name + "' is connected (" + c.description + ")");
    if (std::optional<int> refused = CheckPairing(dlp, c, options, user)) return *refused;
    dlp.OpenConduit();
    auto [ours, theirs] = sys::SocketPair();
    const std::string theirs_fd = std::to_string(theirs.get());
    conduit = std::make_unique<ConduitLaunch>(
        program,
        std::vector<std::pair<std::string, std::string>>{{kHotSyncChannelFdEnv, theirs_fd}},
        std::vector<int>{theirs.get()});
    channel = std::make_unique<link::FdStream>(std::move(ours), "the conduit's channel");
  } catch (const ConduitError& e) {
    Say("the handheld's connection failed: " + e.description());
    return kLinkFailed;
  }
  const RelayEnd end = Relay(*c.transport, std::move(channel), *conduit);
  if (!end.failure.empty()) {
    Say("the handheld's connection failed while " + ProgramName(program[0]) +
        " ran: " + end.failure);
    conduit->Wait(30);
    return kEndedEarly;
  }
  const int status = *end.status;
  const std::string name = ProgramName(program[0]);
  try {
    dlp.AddSyncLogEntry(status == 0
                            ? name + ": synchronization complete"
                            : name + ": not synchronized (status " + std::to_string(status) + ")");
    dlp.EndOfSync(status == 0 ? link::SyncEnd::kNormal : link::SyncEnd::kError);
    if (c.serial) c.serial->Finish(kLinger);
  } catch (const ConduitError& e) {
    Say("the handheld's connection failed while the sync was ended: " + e.description());
    return kLinkFailed;
  }
  Say("the synchronisation ended: " + name + " exited with status " + std::to_string(status) +
      (status == 0 ? "" : "; the handheld's sync was ended with an error"));
  return status;
}

}  // namespace corvane::hotsync
