#pragma once

#include <string>
#include <vector>

namespace corvane::pc {

using CsvRow = std::vector<std::string>;

// One field as a CSV file holds it: quoted, with its quotes doubled, when it
// holds a comma, a quote, a CR or an LF; as it is otherwise.
std::string CsvField(const std::string& value);
// The fields joined by commas, ended by CR LF.
std::string CsvLine(const CsvRow& row);
// The rows of a CSV text; quoted fields may hold commas, quotes and line
// breaks. A line end is CR LF or LF. Raises ConduitError for a quote that is
// never closed, or text after a closing quote, so that a damaged logbook is
// never read as a shorter one.
std::vector<CsvRow> ParseCsv(const std::string& text);

}  // namespace corvane::pc
