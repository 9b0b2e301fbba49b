#include "handheld_sim/simulated_handheld.h"

#include "link/padp.h"
#include "support/conduit_error.h"

namespace corvane::handheld_sim {

namespace dlp = link::dlp;

std::string CommandKey(uint8_t command) {
  const std::string name = link::DlpCommandName(command);
  const size_t paren = name.find(" (");
  return paren == std::string::npos ? HexByte(command) : name.substr(0, paren);
}

SimulatedHandheld::SimulatedHandheld(HandheldDatabases databases, HandheldUser user,
                                     const Clock& clock)
    : databases_(std::move(databases)),
      session_(std::move(user), databases_, clock),
      database_commands_(databases_, handles_, clock),
      record_commands_(handles_) {}

std::map<std::string, size_t> SimulatedHandheld::per_command() const {
  std::map<std::string, size_t> named;
  for (size_t command = 0; command < per_command_.size(); ++command) {
    if (per_command_[command] != 0) {
      named[CommandKey(static_cast<uint8_t>(command))] += per_command_[command];
    }
  }
  return named;
}

SyncEnd SimulatedHandheld::sync_end() const {
  if (!session_.end_status()) return SyncEnd::kNone;
  return *session_.end_status() == 0 ? SyncEnd::kNormal : SyncEnd::kError;
}

Bytes SimulatedHandheld::Answer(const Bytes& message) {
  ++requests_;
  uint8_t command = message.empty() ? 0 : message[0] & ~dlp::kResponseBit;
  Reply reply;
  try {
    const link::DlpRequest request = link::DecodeDlpRequest(message);
    command = request.command;
    reply =
        ended() ? Fault(dlp::kErrIllegalRequest, "a request after EndOfSync") : Dispatch(request);
  } catch (const ConduitError& e) {
    // The readers of the request raise this for whatever does not fit.
    if (e.number() != err::kLinkMalformed) throw;
    reply = Fault(dlp::kErrParam, e.description());
  }
  ++per_command_[command];
  if (reply.fault) fault_reasons_.push_back(link::DlpCommandName(command) + ": " + reply.why);
  if (reply.error != dlp::kErrNone) reply.arguments.clear();
  Bytes answer = link::EncodeDlpResponse({command, reply.error, std::move(reply.arguments)});
  for (size_t size : {message.size(), answer.size()}) {
    message_bytes_ += size;
    message_pieces_ += (size + link::kPadpMaxFragment - 1) / link::kPadpMaxFragment;
  }
  return answer;
}

Reply SimulatedHandheld::Dispatch(const link::DlpRequest& r) {
  SessionCommands& s = session_;
  DatabaseCommands& d = database_commands_;
  RecordCommands& rec = record_commands_;
  switch (r.command) {
    case dlp::kReadSysInfo:
      return s.ReadSysInfo(r);
    case dlp::kReadUserInfo:
      return s.ReadUserInfo(r);
    case dlp::kWriteUserInfo:
      return s.WriteUserInfo(r);
    case dlp::kGetSysDateTime:
      return s.GetSysDateTime(r);
    case dlp::kSetSysDateTime:
      return s.SetSysDateTime(r);
    case dlp::kReadStorageInfo:
      return s.ReadStorageInfo(r);
    case dlp::kReadNetSyncInfo:
      return s.ReadNetSyncInfo(r);
    case dlp::kWriteNetSyncInfo:
      return s.WriteNetSyncInfo(r);
    case dlp::kOpenConduit:
      return s.OpenConduit(r);
    case dlp::kAddSyncLogEntry:
      return s.AddSyncLogEntry(r);
    case dlp::kEndOfSync:
      return s.EndOfSync(r);
    case dlp::kReadDBList:
      return d.ReadDBList(r);
    case dlp::kOpenDB:
      return d.OpenDB(r);
    case dlp::kCreateDB:
      return d.CreateDB(r);
    case dlp::kCloseDB:
      return d.CloseDB(r);
    case dlp::kDeleteDB:
      return d.DeleteDB(r);
    case dlp::kFindDB:
      return d.FindDB(r);
    case dlp::kReadOpenDBInfo:
      return d.ReadOpenDBInfo(r);
    case dlp::kReadAppBlock:
    case dlp::kReadSortBlock:
      return d.ReadBlock(r);
    case dlp::kWriteAppBlock:
    case dlp::kWriteSortBlock:
      return d.WriteBlock(r);
    case dlp::kReadRecord:
      return rec.ReadRecord(r);
    case dlp::kReadRecordIDList:
      return rec.ReadRecordIDList(r);
    case dlp::kWriteRecord:
      return rec.WriteRecord(r);
    case dlp::kDeleteRecord:
      return rec.DeleteRecord(r);
    case dlp::kCleanUpDatabase:
      return rec.CleanUpDatabase(r);
    case dlp::kResetSyncFlags:
      return rec.ResetSyncFlags(r);
    case dlp::kReadResource:
      return rec.ReadResource(r);
    default:
      break;
  }
  if (r.command >= dlp::kReadUserInfo && r.command <= dlp::kSetDBInfo) {
    // A call of the protocol this handheld does not take up: no fault of the desktop's.
    return Refused(dlp::kErrNotSupported, "not served by the simulated handheld");
  }
  return Fault(dlp::kErrIllegalRequest, "no such command");
}

}  // namespace corvane::handheld_sim
