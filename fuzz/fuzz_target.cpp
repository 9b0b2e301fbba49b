// One libFuzzer target per check of fuzz_checks.h, chosen at build time
// with CORVANE_FUZZ_CHECK: any input either is refused cleanly or gives a
// result that holds together; anything else aborts with the fault.

#include <cstdio>
#include <cstdlib>

#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const corvane::fuzz::FuzzOutcome outcome = corvane::fuzz::CORVANE_FUZZ_CHECK(data, size);
  if (!outcome.fault.empty()) {
    std::fprintf(stderr, "fault: %s\n", outcome.fault.c_str());
    std::abort();
  }
  return 0;
}
