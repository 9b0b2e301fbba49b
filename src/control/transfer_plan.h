#pragma once

#include "control/stage_engine.h"

namespace corvane {

// The conduit's transfers, in the order the stage engine calls them.
TransferPlan MakeTransferPlan(FrmMain& frm, HotSyncLink& link);

}  // namespace corvane
