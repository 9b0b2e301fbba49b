#pragma once

#include <string>
#include <vector>

#include "corvane_pc/csv.h"

namespace corvane::pc {

// New flights wait beside the logbook, in FILE.pending, from the moment the
// PC side hands over to the conduit until the conduit has finished: the
// handheld clears its flights at the very end, so they must survive a run
// that dies after that, yet must not enter the logbook of a run that fails.
std::string PendingPath(const std::string& logbook);

// Keeps rows (under header) as the pending flights; no rows removes the file.
void StageFlights(const std::string& logbook, const CsvRow& header,
                  const std::vector<CsvRow>& rows);

// Adds the pending flights to the logbook (never one twice), then removes
// the pending file. Returns the number of rows added; 0 without a file.
size_t CommitPending(const std::string& logbook);

void DiscardPending(const std::string& logbook);

}  // namespace corvane::pc
