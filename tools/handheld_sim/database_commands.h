#pragma once

#include "handheld_sim/dlp_reply.h"
#include "handheld_sim/handheld_databases.h"
#include "handheld_sim/open_handles.h"
#include "support/clock.h"

namespace corvane::handheld_sim {

// The DLP calls on whole databases: the list, opening, creating, closing and
// deleting, finding, and their app-info and sort-info blocks.
class DatabaseCommands {
 public:
  DatabaseCommands(HandheldDatabases& databases, OpenHandles& handles, const Clock& clock)
      : databases_(databases), handles_(handles), clock_(clock) {}

  Reply ReadDBList(const link::DlpRequest& request);
  Reply OpenDB(const link::DlpRequest& request);
  Reply CreateDB(const link::DlpRequest& request);
  Reply CloseDB(const link::DlpRequest& request);
  Reply DeleteDB(const link::DlpRequest& request);
  Reply FindDB(const link::DlpRequest& request);
  Reply ReadOpenDBInfo(const link::DlpRequest& request);
  // ReadAppBlock and ReadSortBlock; WriteAppBlock and WriteSortBlock.
  Reply ReadBlock(const link::DlpRequest& request);
  Reply WriteBlock(const link::DlpRequest& request);

 private:
  Bytes DbInfoEntry(const SimDatabase& db) const;

  HandheldDatabases& databases_;
  OpenHandles& handles_;
  const Clock& clock_;
};

}  // namespace corvane::handheld_sim
