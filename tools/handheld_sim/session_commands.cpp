#include "handheld_sim/session_commands.h"

#include <algorithm>

#include "handheld_sim/palm_time.h"
#include "link/dlp_client.h"
#include "link/wire_bytes.h"

namespace corvane::handheld_sim {
namespace {

namespace dlp = link::dlp;
using link::WireReader;
using link::WireWriter;

// What a recorded Palm OS 5.4 handheld tells of itself.
constexpr uint32_t kRomVersion = 0x05403017;
constexpr uint32_t kLocale = 0x00010000;
constexpr uint32_t kProductId = 0x01000000;
constexpr uint16_t kDlpVersion[] = {1, 2, 3, 0};
const char kCardName[] = "PalmCard";
const char kManufacturer[] = "Palm Computing";
constexpr uint32_t kRomSize = 4u << 20;
constexpr uint32_t kRamSize = 16u << 20;
constexpr link::DlpTime kCardCreated{2001, 10, 9, 13, 33, 37};

using Change = link::UserInfoUpdate;
constexpr uint8_t kUserChangeBits = Change::kUserId | Change::kLastSyncPc | Change::kLastSync |
                                    Change::kUserName | Change::kViewerId;
constexpr size_t kMaxUserName = 41;  // with its zero

namespace netsync_change = link::netsync_change;
constexpr uint8_t kNetSyncChangeBits = netsync_change::kLanSync | netsync_change::kHostName |
                                       netsync_change::kHostAddress | netsync_change::kSubnetMask;
constexpr size_t kMaxHostText = 256;  // with its zero

uint16_t TextSize(const std::string& text) {
  return text.empty() ? 0 : static_cast<uint16_t>(text.size() + 1);
}

}  // namespace

SessionCommands::SessionCommands(HandheldUser user, const HandheldDatabases& databases,
                                 const Clock& clock)
    : user_(std::move(user)), databases_(databases), clock_(clock) {
  if (user_.id == 0) user_.name.clear();
}

int64_t SessionCommands::Now() const {
  return PalmSecondsOf(clock_.Now()) + clock_offset_;
}

Reply SessionCommands::ReadSysInfo(const link::DlpRequest& request) {
  // A desktop of DLP 1.2 and later tells its version, and hears the handheld's.
  const bool versioned = !request.arguments.empty();
  if (versioned) {
    WireReader in = OnlyArgument(request);
    in.Skip(4);
    ExpectEnd(in);
  }
  Reply reply = Ok(WireWriter().U32(kRomVersion).U32(kLocale).U8(0).U8(4).U32(kProductId).Take());
  if (versioned) {
    WireWriter out;
    for (uint16_t part : kDlpVersion) out.U16(part);
    reply.arguments.push_back({dlp::kFirstArgId + 1, out.U32(kMaxRecordSize).Take()});
  }
  return reply;
}

Reply SessionCommands::ReadUserInfo(const link::DlpRequest& request) {
  NoArguments(request);
  WireWriter out;
  out.U32(user_.id).U32(viewer_id_).U32(last_sync_pc_);
  link::AppendDlpTime(out, last_good_sync_);
  link::AppendDlpTime(out, last_sync_);
  out.U8(static_cast<uint8_t>(TextSize(user_.name))).U8(0);  // no password
  if (!user_.name.empty()) out.TextZ(user_.name);
  return Ok(out.Take());
}

Reply SessionCommands::WriteUserInfo(const link::DlpRequest& request) {
  WireReader in = OnlyArgument(request);
  const uint32_t id = in.U32();
  const uint32_t viewer = in.U32();
  const uint32_t sync_pc = in.U32();
  const link::DlpTime sync_date = link::ReadDlpTime(in);
  const uint8_t change = in.U8();
  const uint8_t name_size = in.U8();
  WireReader name_in(in.Take(name_size), "WriteUserInfo's user name");
  ExpectEnd(in);
  if ((change & ~kUserChangeBits) != 0) return Fault(dlp::kErrParam, "change " + HexByte(change));
  if ((change & Change::kLastSync) != 0 && sync_date.year != 0 && !PalmSecondsOf(sync_date)) {
    return Fault(dlp::kErrParam, "a sync date that does not exist");
  }
  if ((change & Change::kUserName) != 0)
    user_.name = ZeroEndedText(name_in, kMaxUserName, "the name");
  if ((change & Change::kUserId) != 0) user_.id = id;
  if ((change & Change::kViewerId) != 0) viewer_id_ = viewer;
  if ((change & Change::kLastSyncPc) != 0) last_sync_pc_ = sync_pc;
  if ((change & Change::kLastSync) != 0) last_sync_ = sync_date;
  return Ok();
}

Reply SessionCommands::GetSysDateTime(const link::DlpRequest& request) {
  NoArguments(request);
  WireWriter out;
  link::AppendDlpTime(out,
                      DlpTimeOf(static_cast<uint32_t>(std::clamp<int64_t>(Now(), 1, UINT32_MAX))));
  return Ok(out.Take());
}

Reply SessionCommands::SetSysDateTime(const link::DlpRequest& request) {
  WireReader in = OnlyArgument(request);
  const link::DlpTime time = link::ReadDlpTime(in);
  ExpectEnd(in);
  const std::optional<uint32_t> seconds = PalmSecondsOf(time);
  if (!seconds) return Fault(dlp::kErrParam, "a date that does not exist");
  clock_offset_ = int64_t{*seconds} - PalmSecondsOf(clock_.Now());
  return Ok();
}

Reply SessionCommands::ReadStorageInfo(const link::DlpRequest& request) {
  WireReader in = OnlyArgument(request);
  const uint8_t card = in.U8();
  in.Skip(1);
  ExpectEnd(in);
  if (card != 0) return Refused(dlp::kErrNotFound, "no card " + std::to_string(card));
  size_t used = 0;
  for (size_t i = 0; i < databases_.size(); ++i) used += databases_.at(i).StoredBytes();
  const uint32_t free_ram = static_cast<uint32_t>(kRamSize - std::min<size_t>(used, kRamSize));
  const size_t name_size = sizeof kCardName - 1;
  const size_t manufacturer_size = sizeof kManufacturer - 1;
  const size_t entry_size = (26 + name_size + manufacturer_size + 1) & ~size_t{1};
  WireWriter out;
  out.U8(0).U8(0).U8(0).U8(1);  // last card 0, no more, one card
  out.U8(static_cast<uint8_t>(entry_size)).U8(0).U16(1);
  link::AppendDlpTime(out, kCardCreated);
  out.U32(kRomSize).U32(kRamSize).U32(free_ram);
  out.U8(static_cast<uint8_t>(name_size)).U8(static_cast<uint8_t>(manufacturer_size));
  out.Append(std::span(reinterpret_cast<const uint8_t*>(kCardName), name_size));
  out.Append(std::span(reinterpret_cast<const uint8_t*>(kManufacturer), manufacturer_size));
  if ((name_size + manufacturer_size) % 2 != 0) out.U8(0);
  Reply reply = Ok(out.Take());
  WireWriter counts;
  counts.U16(0).U16(static_cast<uint16_t>(databases_.size())).Append(Bytes(16, 0));
  reply.arguments.push_back({dlp::kFirstArgId + 1, counts.Take()});
  return reply;
}

Reply SessionCommands::ReadNetSyncInfo(const link::DlpRequest& request) {
  NoArguments(request);
  const std::string* texts[] = {&netsync_.host_name, &netsync_.host_address, &netsync_.subnet_mask};
  WireWriter out;
  out.U8(netsync_.lan_sync ? 1 : 0).U8(0).Append(Bytes(16, 0));
  for (const std::string* text : texts) out.U16(TextSize(*text));
  for (const std::string* text : texts) {
    if (!text->empty()) out.TextZ(*text);
  }
  return Ok(out.Take());
}

Reply SessionCommands::WriteNetSyncInfo(const link::DlpRequest& request) {
  WireReader in = OnlyArgument(request);
  const uint8_t change = in.U8();
  const bool lan_sync = in.U8() != 0;
  in.Skip(16);
  uint16_t sizes[3];
  for (uint16_t& size : sizes) size = in.U16();
  std::string texts[3];
  for (int i = 0; i < 3; ++i) {
    if (sizes[i] == 0) continue;
    WireReader text(in.Take(sizes[i]), "WriteNetSyncInfo's addresses");
    texts[i] = ZeroEndedText(text, kMaxHostText, "a host name or address");
  }
  ExpectEnd(in);
  if ((change & ~kNetSyncChangeBits) != 0) {
    return Fault(dlp::kErrParam, "change " + HexByte(change));
  }
  if ((change & netsync_change::kLanSync) != 0) netsync_.lan_sync = lan_sync;
  if ((change & netsync_change::kHostName) != 0) netsync_.host_name = texts[0];
  if ((change & netsync_change::kHostAddress) != 0) netsync_.host_address = texts[1];
  if ((change & netsync_change::kSubnetMask) != 0) netsync_.subnet_mask = texts[2];
  return Ok();
}

Reply SessionCommands::OpenConduit(const link::DlpRequest& request) {
  // Nobody cancels the sync on this handheld.
  NoArguments(request);
  return Ok();
}

Reply SessionCommands::AddSyncLogEntry(const link::DlpRequest& request) {
  WireReader in = OnlyArgument(request);
  sync_log_.push_back(ZeroEndedText(in, in.left(), "the log entry"));
  return Ok();
}

Reply SessionCommands::EndOfSync(const link::DlpRequest& request) {
  WireReader in = OnlyArgument(request);
  const uint16_t status = in.U16();
  ExpectEnd(in);
  end_status_ = status;
  // Recorded handhelds report the last sync as the last good one after a normal end.
  if (status == 0) last_good_sync_ = last_sync_;
  return Ok();
}

}  // namespace corvane::handheld_sim
