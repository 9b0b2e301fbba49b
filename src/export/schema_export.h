#pragma once

#include "support/frm_main.h"

namespace corvane {

class HotSyncLink;

// Replaces the handheld's schema database with the field definitions of
// corvane.txt in the exchange folder: one 201-byte record per non-blank line.
// False when the file is missing (the database is then left alone) or any
// error ended the transfer; records added before an error stay.
bool PCtoPDA_CorvaneSchema(FrmMain& frm, HotSyncLink& link);

}  // namespace corvane
