#pragma once

#include <cstdint>

namespace corvane {

struct LocalDateTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// The wall clock, injected so that log lines and the dates written into the
// handheld's databases can be tested.
class Clock {
 public:
  virtual ~Clock() = default;
  // The local date and time.
  virtual LocalDateTime Now() const = 0;
  // Seconds since 1970-01-01 00:00 UTC.
  virtual int64_t UnixSeconds() const = 0;
};

}  // namespace corvane
