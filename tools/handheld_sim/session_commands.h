#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "handheld_sim/dlp_reply.h"
#include "handheld_sim/handheld_databases.h"
#include "link/dlp_answers.h"
#include "support/clock.h"

namespace corvane::handheld_sim {

// Whose handheld it is. A user id of 0 is a handheld that was never
// synchronised: it has no user name either.
struct HandheldUser {
  uint32_t id = 1;
  std::string name = "Corvane Pilot";
};

// The DLP calls about the handheld itself and the session: system and user
// information, its clock, its memory, its network settings, the HotSync
// log and the end of the sync.
class SessionCommands {
 public:
  SessionCommands(HandheldUser user, const HandheldDatabases& databases, const Clock& clock);

  Reply ReadSysInfo(const link::DlpRequest& request);
  Reply ReadUserInfo(const link::DlpRequest& request);
  Reply WriteUserInfo(const link::DlpRequest& request);
  Reply GetSysDateTime(const link::DlpRequest& request);
  Reply SetSysDateTime(const link::DlpRequest& request);
  Reply ReadStorageInfo(const link::DlpRequest& request);
  Reply ReadNetSyncInfo(const link::DlpRequest& request);
  Reply WriteNetSyncInfo(const link::DlpRequest& request);
  Reply OpenConduit(const link::DlpRequest& request);
  Reply AddSyncLogEntry(const link::DlpRequest& request);
  Reply EndOfSync(const link::DlpRequest& request);

  const std::vector<std::string>& sync_log() const { return sync_log_; }
  // EndOfSync's status, once it came.
  const std::optional<uint16_t>& end_status() const { return end_status_; }

 private:
  int64_t Now() const;

  HandheldUser user_;
  const HandheldDatabases& databases_;
  const Clock& clock_;
  uint32_t viewer_id_ = 0;
  uint32_t last_sync_pc_ = 0;
  link::DlpTime last_good_sync_;
  link::DlpTime last_sync_;
  link::NetSyncInfo netsync_;
  // What SetSysDateTime moved the handheld's clock by, in seconds.
  int64_t clock_offset_ = 0;
  std::vector<std::string> sync_log_;
  std::optional<uint16_t> end_status_;
};

}  // namespace corvane::handheld_sim
