#include "corvane_pc/staging.h"

#include <cerrno>
#include <cstdio>

#include "corvane_pc/logbook.h"
#include "support/conduit_error.h"
#include "support/text_file.h"

namespace corvane::pc {

std::string PendingPath(const std::string& logbook) {
  return logbook + ".pending";
}

void StageFlights(const std::string& logbook, const CsvRow& header,
                  const std::vector<CsvRow>& rows) {
  if (rows.empty()) {
    DiscardPending(logbook);
    return;
  }
  WriteLogbook(PendingPath(logbook), Logbook{header, rows});
}

size_t CommitPending(const std::string& logbook) {
  const std::string pending = PendingPath(logbook);
  if (!RegularFileExists(pending)) return 0;
  Logbook book = ReadLogbook(logbook);
  size_t added = AddFlights(book, AsFlights(ReadLogbook(pending))).size();
  WriteLogbook(logbook, book);
  DiscardPending(logbook);
  return added;
}

void DiscardPending(const std::string& logbook) {
  const std::string pending = PendingPath(logbook);
  if (std::remove(pending.c_str()) != 0 && errno != ENOENT) {
    throw ConduitError::FromErrno(errno, "cannot remove " + pending);
  }
}

}  // namespace corvane::pc
