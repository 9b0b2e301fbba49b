#pragma once

#include "support/frm_main.h"

namespace corvane {

class HotSyncLink;

// Copies the handheld's four pick lists into acreg_actype.txt, airport.txt,
// PERSON.txt and simulator.txt in the exchange folder, each rewritten whole.
// False after an error, reported under "PDA2PCCorvaneCache Error!!".
bool PDAtoPC_CorvaneCache(FrmMain& frm, HotSyncLink& link);

}  // namespace corvane
