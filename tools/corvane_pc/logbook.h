#pragma once

#include <string>
#include <vector>

#include "corvane_pc/csv.h"

namespace corvane::pc {

// The PC side's logbook: a CSV file, a header of field names and one row per
// flight, every row as long as the header.
struct Logbook {
  CsvRow header;
  std::vector<CsvRow> rows;
};

// A flight as db.txt carries it: the field names and the values.
struct Flight {
  std::vector<std::string> names;
  std::vector<std::string> values;
};

// The flights of a db.txt text: CR LF lines in pairs, a field-name line
// ("^" and the names joined by "|") and a value line. A pair whose value line
// is empty carries no flight. Values hold no escapes: a value line with more
// "|" than the names have keeps the surplus in its last field, so nothing is
// dropped. Raises ConduitError when a names line lacks its value line.
std::vector<Flight> ParseFlights(const std::string& db_text);

// The logbook of a CSV text; an empty text is an empty logbook.
Logbook ParseLogbook(const std::string& csv);
std::string LogbookCsv(const Logbook& logbook);
// The rows of a logbook as flights, to add them to another.
std::vector<Flight> AsFlights(const Logbook& logbook);

// Adds flights to the logbook, matching columns by name; a name the header
// lacks becomes a new column. Never a flight twice: a flight is left out when
// the logbook already holds a row equal to it in every column, each such row
// standing for one flight (two identical flights in one import and one in the
// logbook add one). Returns the rows added, in the order of the flights.
std::vector<CsvRow> AddFlights(Logbook& logbook, const std::vector<Flight>& flights);

// The logbook of file; a missing file is an empty logbook.
Logbook ReadLogbook(const std::string& path);
// Replaces the file at once: a reader sees the old or the new logbook.
void WriteLogbook(const std::string& path, const Logbook& logbook);

}  // namespace corvane::pc
