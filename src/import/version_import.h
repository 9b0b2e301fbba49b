#pragma once

#include "support/frm_main.h"

namespace corvane {

class HotSyncLink;

// Copies the handheld application's version (third text of the first
// preferences record) into version.txt in the exchange folder. False, silently,
// when the preferences hold no record; false after an error, shown under
// "Corvane Conduit" and not logged.
bool GetVesion(FrmMain& frm, HotSyncLink& link);

}  // namespace corvane
