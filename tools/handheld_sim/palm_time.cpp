#include "handheld_sim/palm_time.h"

#include <chrono>

namespace corvane::handheld_sim {
namespace {

using std::chrono::days;
using std::chrono::sys_days;
using std::chrono::year_month_day;

constexpr int64_t kSecondsPerDay = 86400;
const sys_days kPalmEpoch{std::chrono::year{1904} / 1 / 1};

int64_t Seconds(int year, int month, int day, int hour, int minute, int second) {
  const sys_days date{std::chrono::year{year} / month / day};
  return (date - kPalmEpoch).count() * kSecondsPerDay + hour * 3600 + minute * 60 + second;
}

}  // namespace

link::DlpTime DlpTimeOf(uint32_t palm_seconds) {
  if (palm_seconds == 0) return {};
  const year_month_day date{kPalmEpoch + days(palm_seconds / kSecondsPerDay)};
  const uint32_t in_day = palm_seconds % kSecondsPerDay;
  return link::DlpTime{static_cast<uint16_t>(static_cast<int>(date.year())),
                       static_cast<uint8_t>(static_cast<unsigned>(date.month())),
                       static_cast<uint8_t>(static_cast<unsigned>(date.day())),
                       static_cast<uint8_t>(in_day / 3600),
                       static_cast<uint8_t>(in_day / 60 % 60),
                       static_cast<uint8_t>(in_day % 60)};
}

std::optional<uint32_t> PalmSecondsOf(const link::DlpTime& time) {
  const year_month_day date{std::chrono::year{time.year} / time.month / time.day};
  if (!date.ok() || time.hour > 23 || time.minute > 59 || time.second > 59) return std::nullopt;
  const int64_t seconds =
      Seconds(time.year, time.month, time.day, time.hour, time.minute, time.second);
  if (seconds <= 0 || seconds > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(seconds);
}

int64_t PalmSecondsOf(const LocalDateTime& time) {
  return Seconds(time.year, time.month, time.day, time.hour, time.minute, time.second);
}

}  // namespace corvane::handheld_sim
