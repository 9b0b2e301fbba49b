#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "support/conduit_error.h"

namespace corvane::testing {

// The number of the ConduitError f raises, or 0 when it raises none.
inline int32_t ErrorNumberOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const ConduitError& e) {
    return e.number();
  }
  return 0;
}

// The error's text, or "" when f raises none.
inline std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const ConduitError& e) {
    return e.Text();
  }
  return "";
}

}  // namespace corvane::testing
