#pragma once

#include "support/frm_main.h"

namespace corvane {

class HotSyncLink;

// Replaces the handheld's reports database with every file of the exchange
// folder's Reports folder, taken by name as Windows lists them (letter case
// ignored, then byte order): one 10,241-byte record per report, or numbered
// part records framed by a header and a footer when the report does not fit
// one. A report whose parts would not fit the records the database has left
// is refused before any of them is added. False when an error ended the
// transfer; the database is emptied first and keeps what was added before.
bool PCtoPDA_CorvaneReport(FrmMain& frm, HotSyncLink& link);

}  // namespace corvane
