#pragma once

#include "support/frm_main.h"

namespace corvane {

class HotSyncLink;

// The HotSync gate, on the main window's first activation: starts the stage
// engine's timer during a HotSync operation, and ends the run otherwise.
void HotSyncGate(FrmMain& frm, HotSyncLink& link);
// The Exit button: asks first unless the synchronisation is complete.
void ExitClicked(FrmMain& frm, HotSyncLink& link);
// Asks whether to exit; closes the main window on Yes.
void Ask2Exit(FrmMain& frm, HotSyncLink& link);

}  // namespace corvane
