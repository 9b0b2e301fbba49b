#pragma once

#include "support/frm_main.h"

namespace corvane {

class HotSyncLink;

// Empties the handheld's flights database. True when it is empty afterwards;
// false after an error, reported under "ResetPalmDB Error!!". The change
// reaches the handheld file at the link's next Flush().
bool ResetPalmDB(FrmMain& frm, HotSyncLink& link);

}  // namespace corvane
