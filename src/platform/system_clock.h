#pragma once

#include "support/clock.h"

namespace corvane {

// The system's local time.
class SystemClock : public Clock {
 public:
  LocalDateTime Now() const override;
  int64_t UnixSeconds() const override;
};

}  // namespace corvane
