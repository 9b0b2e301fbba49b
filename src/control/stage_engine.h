#pragma once

#include <functional>
#include <string>
#include <vector>

#include "support/frm_main.h"

namespace corvane {

class HotSyncLink;

// A transfer: one of the main window's procedures that moves one database
// and returns its success.
struct Transfer {
  std::string name;
  std::function<bool()> run;
};

// The transfers in the order the engine calls them.
struct TransferPlan {
  std::vector<Transfer> import_phase;  // GetVesion, PDAtoPC_CorvaneCache, PDAtoPC_CorvaneDB
  std::vector<Transfer> export_phase;  // report, schema, cache, report
  std::function<bool()> reset;         // ResetPalmDB
};

// Drives one synchronisation from the ticks of Timer1.
class StageEngine {
 public:
  StageEngine(FrmMain& frm, HotSyncLink& link, TransferPlan plan)
      : frm_(frm), link_(link), plan_(std::move(plan)) {}

  // One tick of Timer1: poll status.flag and act on a new stage.
  void Tick();
  // The import phase; true when every import transfer succeeded.
  bool ImportFromPDA();
  // The export phase; true when every export transfer succeeded, or when no
  // HotSync operation is in progress.
  bool ExportToPDA();
  // The launcher is gone, so the HotSync operation is over: the run ends
  // with the flights left on the handheld, without a question (nobody may be
  // there to answer one). A synchronisation whose flights reset is already
  // written ends as completed instead. Called by the tick and by whatever
  // watches the launcher.
  void HotSyncEnded();

 private:
  // Runs the transfers in order up to the first failure; the handheld's
  // files are brought up to date after each one.
  bool RunTransfers(const std::vector<Transfer>& transfers);
  void Finish();
  // Ends the run when the launcher is gone.
  void EndIfHotSyncEnded();
  // Writes status.flag; when that is impossible the run ends with a message
  // instead of waiting for a stage that the PC application never sees. After
  // the end of the HotSync operation nothing is written: a phase that
  // "succeeded" after the launcher was gone (the export counts as done
  // without a HotSync operation) must not report its stage, nor a phase that
  // failed because of it its error.
  bool WriteStage(const char* stage);

  FrmMain& frm_;
  HotSyncLink& link_;
  TransferPlan plan_;
  bool polling_ = false;
  bool reset_written_ = false;
  bool ending_ = false;
};

}  // namespace corvane
