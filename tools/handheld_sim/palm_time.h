#pragma once

#include <cstdint>
#include <optional>

#include "link/dlp_answers.h"
#include "support/clock.h"

namespace corvane::handheld_sim {

// The handheld keeps wall-clock times without a zone: seconds since
// 1904-01-01 00:00 as the database header stores them, and the DLP's
// year-month-day form on the wire.

// The DLP form of a header time; 0 (never) is the year 0.
link::DlpTime DlpTimeOf(uint32_t palm_seconds);
// The header time of a DLP time; nothing for a date that does not exist or
// lies outside what a header can hold (1904 to 2040).
std::optional<uint32_t> PalmSecondsOf(const link::DlpTime& time);
// The handheld's reading of a local date and time.
int64_t PalmSecondsOf(const LocalDateTime& time);

}  // namespace corvane::handheld_sim
