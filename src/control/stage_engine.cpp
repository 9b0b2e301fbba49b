#include "control/stage_engine.h"

#include "control/closing.h"
#include "control/handshake.h"
#include "exchange/stage_texts.h"
#include "handheld/hotsync_link.h"
#include "handheld/sync_library.h"
#include "support/conduit_error.h"
#include "support/conduit_log.h"

namespace corvane {
namespace {

constexpr const char* kOnlyDuringHotSync =
    "Functions are available only during an Active Hot Synch operation.";
constexpr const char* kImportError = "Error in Synchronization (Importing data from PDA)";
constexpr const char* kExportError = "Error in Synchronization (Exporting data to PDA)";
constexpr const char* kPhaseErrorTitle = "Corvane Conduit";
constexpr const char* kFlightsStay = "the flights stay on the handheld";

}  // namespace

void StageEngine::EndIfHotSyncEnded() {
  if (link_.OperationEnded()) HotSyncEnded();
}

void StageEngine::Tick() {
  // A tick that runs inside the end's own log line starts nothing.
  if (ending_) return;
  EndIfHotSyncEnded();
  // A tick inside the poll's own log line would see the change that the
  // outer poll is still recording and start the same stage twice.
  if (polling_) return;
  {
    struct Polling {
      bool& flag;
      explicit Polling(bool& f) : flag(f) { flag = true; }
      ~Polling() { flag = false; }
    } polling(polling_);
    CheckStatusChange(frm_);
  }
  if (!frm_.statusChanged) return;
  const std::string stage = frm_.lastStatus;
  Window& window = frm_.window;
  if (stage == kStage1) {
    window.SetTimerEnabled(false);
    Log(frm_, "Importing data from PDA", 1);
    if (ImportFromPDA()) {
      if (WriteStage(kStage2)) window.SetTimerEnabled(true);
    } else {
      Log(frm_, "Error while importing data. Process stopped.", 1);
      WriteStage(kStage1Error);
    }
  } else if (stage == kStage2) {
    Log(frm_, "Processing data", 1);
  } else if (stage == kStage3) {
    window.SetTimerEnabled(false);
    Log(frm_, "Exporting data to PDA", 1);
    if (ExportToPDA()) {
      if (WriteStage(kStage4)) window.SetTimerEnabled(true);
    } else {
      Log(frm_, "Error while exporting data. Process stopped.", 1);
      WriteStage(kStage3Error);
    }
  } else if (stage == kStage4) {
    Finish();
  }
}

void StageEngine::Finish() {
  bool reset = false;
  if (plan_.reset) {
    reset = plan_.reset();
    try {
      link_.Flush(frm_.clock);
    } catch (const std::exception& e) {
      reset = false;
      Log(frm_, ErrorText(e), 1);
    }
  }
  reset_written_ = reset;
  // A failed reset leaves the flights on the handheld; they come again next
  // time, and the run ends, but not as a completed synchronisation.
  Log(frm_,
      reset ? std::string("Synchronization complete")
            : std::string("Flights DB not cleared: ") + kFlightsStay,
      1);
  CopyLogToExchange(frm_);
  CloseMainWindow(frm_, link_, reset ? kExitCompleted : kExitEnded);
}

void StageEngine::HotSyncEnded() {
  // The log line below lets events run, and they would ask again.
  if (ending_ || reset_written_) return;
  ending_ = true;
  Log(frm_,
      std::string("HotSync operation ended before the synchronization was complete: ") +
          kFlightsStay,
      1);
  CloseMainWindow(frm_, link_, kExitEnded);
}

bool StageEngine::WriteStage(const char* stage) {
  // Once the HotSync operation is over, status.flag stays as it is: no stage,
  // an error stage included, may tell the PC application what did not happen.
  EndIfHotSyncEnded();
  if (ending_) return false;
  try {
    ReplaceFlagStatus(frm_, stage);
    return true;
  } catch (const std::exception& e) {
    const std::string message =
        "Cannot write \"" + std::string(stage) + "\" into status.flag: " + ErrorText(e);
    Log(frm_, message, 1);
    frm_.window.ShowMessage(message + "\r\n(Corvane Sync will not continue).", kPhaseErrorTitle,
                            MessageButtons::kOk);
    CloseMainWindow(frm_, link_, kExitEnded);
  }
}

bool StageEngine::RunTransfers(const std::vector<Transfer>& transfers) {
  for (const Transfer& transfer : transfers) {
    Log(frm_, ">" + transfer.name, 5);
    bool ok = transfer.run();
    // What a transfer changed stays, whether it succeeded or not.
    link_.Flush(frm_.clock);
    if (!ok) return false;
    Log(frm_, "<" + transfer.name, 5);
  }
  return true;
}

bool StageEngine::ImportFromPDA() {
  try {
    if (!PDHotSyncUtility(link_).IsSyncInProgress()) {
      frm_.window.SetActivity(kOnlyDuringHotSync);
    } else {
      Log(frm_, "Synchronizing...", 5);
      if (RunTransfers(plan_.import_phase)) return true;
    }
    frm_.window.SetActivity(std::string(kImportError) + ". ");
    Log(frm_, std::string(kImportError) + ".", 1);
    return false;
  } catch (const std::exception& e) {
    frm_.window.SetActivity(std::string(kImportError) + ". ");
    // No ". " before the number here, unlike the export's message: the
    // texts the log has always had.
    std::string message = kImportError + ErrorText(e);
    frm_.window.ShowMessage(message, kPhaseErrorTitle, MessageButtons::kOk);
    Log(frm_, message, 1);
    return false;
  }
}

bool StageEngine::ExportToPDA() {
  try {
    if (!PDHotSyncUtility(link_).IsSyncInProgress()) {
      frm_.window.SetActivity(kOnlyDuringHotSync);
      return true;
    }
    if (RunTransfers(plan_.export_phase)) return true;
    frm_.window.SetActivity(std::string(kExportError) + ". ");
    Log(frm_, std::string(kExportError) + ".", 1);
    return false;
  } catch (const std::exception& e) {
    frm_.window.SetActivity(std::string(kExportError) + ". ");
    std::string message = std::string(kExportError) + ". " + ErrorText(e);
    frm_.window.ShowMessage(message, kPhaseErrorTitle, MessageButtons::kOk);
    Log(frm_, message, 1);
    return false;
  }
}

}  // namespace corvane
