#pragma once

#include "handheld_sim/dlp_reply.h"
#include "handheld_sim/open_handles.h"

namespace corvane::handheld_sim {

// The DLP calls on the records of an open database.
class RecordCommands {
 public:
  explicit RecordCommands(OpenHandles& handles) : handles_(handles) {}

  // By id (argument 0x20) or by index (0x21).
  Reply ReadRecord(const link::DlpRequest& request);
  Reply ReadRecordIDList(const link::DlpRequest& request);
  Reply WriteRecord(const link::DlpRequest& request);
  // One record, every record, or those of a category.
  Reply DeleteRecord(const link::DlpRequest& request);
  // The records marked deleted go; dirty marks are cleared.
  Reply CleanUpDatabase(const link::DlpRequest& request);
  Reply ResetSyncFlags(const link::DlpRequest& request);
  // Checked like any request, and refused: a record database has no resources.
  Reply ReadResource(const link::DlpRequest& request);

 private:
  // The database open through a handle for writing, or the fault to answer.
  SimDatabase* Writable(uint8_t handle, Reply& refusal);
  SimDatabase* WritableOnly(const link::DlpRequest& request, Reply& refusal);

  OpenHandles& handles_;
};

}  // namespace corvane::handheld_sim
