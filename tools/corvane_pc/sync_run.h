#pragma once

#include <ostream>

#include "corvane_pc/options.h"

namespace corvane::pc {

// One whole synchronisation, the PC application's side; prints a summary to
// out and what went wrong to err. Returns the exit status: 0 when complete,
// 1 when it failed. Whatever failed, the logbook holds what it held before
// or the completed run's flights, never a flight twice.
int RunSynchronisation(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace corvane::pc
