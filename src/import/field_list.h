#pragma once

#include <string>

#include "support/frm_main.h"

namespace corvane {

class HotSyncLink;

// The field-name line of the handheld's schema: "^" and the trimmed field
// names joined by "|", in database order; sets frm.fieldCount to the number
// of schema records processed. On failure reports under "PDA2PCCorvaneDB
// Error!!" and gives the empty text, fieldCount keeping the records counted.
std::string getFieldList(FrmMain& frm, HotSyncLink& link);

}  // namespace corvane
