#pragma once

// The verdicts the fuzz checks give, shared by every file of checks.

#include <algorithm>
#include <initializer_list>
#include <string>

#include "fuzz_checks.h"
#include "support/conduit_error.h"

namespace corvane::fuzz {

inline FuzzOutcome Fault(const std::string& what) {
  return {false, what};
}
// A ConduitError is a clean refusal only with one of the reader's numbers.
inline FuzzOutcome Refused(const ConduitError& e, std::initializer_list<int32_t> numbers) {
  if (std::find(numbers.begin(), numbers.end(), e.number()) != numbers.end()) return {};
  return Fault("unexpected error " + e.Text());
}

}  // namespace corvane::fuzz
