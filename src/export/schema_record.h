#pragma once

#include <functional>
#include <string>

#include "handheld/sync_library.h"

namespace corvane {

// The schema record of one data line of corvane.txt ("FieldName|
// CustomDataType|DisplayName|PanelNumber|..."): 201 bytes holding the panel
// number (big-endian), the type, the display name and the field name without
// its surrounding spaces, each text ended by a zero. Raises ConduitError:
// err::kSubscriptOutOfRange for fewer than four fields, the conversion's
// errors for a panel number that is no 16-bit number, err::kBufferOverrun
// when the texts do not fit. step, when given, receives the trace of each
// step as it is taken.
Bytes SchemaLineRecord(const std::string& row,
                       const std::function<void(const char*)>& step = nullptr);

}  // namespace corvane
