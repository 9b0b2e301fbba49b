#include "corvane_pc/logbook.h"

#include <algorithm>
#include <map>

#include "support/atomic_file.h"
#include "support/conduit_error.h"
#include "support/text_file.h"
#include "support/text_ops.h"

namespace corvane::pc {
namespace {

// The key of a row: its fields, separated by a byte no field holds.
std::string RowKey(const CsvRow& row) {
  std::string key;
  for (const std::string& field : row) {
    key += field;
    key += '\x1f';
  }
  return key;
}

}  // namespace

std::vector<Flight> ParseFlights(const std::string& db_text) {
  std::vector<std::string> lines = SplitText(db_text, "\r\n");
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  if (lines.size() % 2 != 0) {
    throw ConduitError(
        err::kDamagedExchangeFile,
        "db.txt: the field-name line " + std::to_string(lines.size()) + " has no value line");
  }
  std::vector<Flight> flights;
  for (size_t i = 0; i < lines.size(); i += 2) {
    std::string names = lines[i];
    if (!names.empty() && names[0] == '^') names.erase(0, 1);
    if (lines[i + 1].empty()) continue;
    Flight flight;
    flight.names = SplitText(names, "|");
    flight.values = SplitText(lines[i + 1], "|");
    while (flight.values.size() > flight.names.size() && flight.values.size() > 1) {
      std::string last = flight.values.back();
      flight.values.pop_back();
      flight.values.back() += "|" + last;
    }
    flight.values.resize(flight.names.size());
    flights.push_back(std::move(flight));
  }
  return flights;
}

Logbook ParseLogbook(const std::string& csv) {
  Logbook logbook;
  std::vector<CsvRow> rows = ParseCsv(csv);
  if (rows.empty()) return logbook;
  logbook.header = rows.front();
  for (size_t i = 1; i < rows.size(); ++i) {
    if (rows[i].size() > logbook.header.size()) {
      throw ConduitError(err::kDamagedLogbook, "logbook row " + std::to_string(i) + " has " +
                                                   std::to_string(rows[i].size()) +
                                                   " fields, the header " +
                                                   std::to_string(logbook.header.size()));
    }
    rows[i].resize(logbook.header.size());
    logbook.rows.push_back(std::move(rows[i]));
  }
  return logbook;
}

std::string LogbookCsv(const Logbook& logbook) {
  if (logbook.header.empty()) return "";
  std::string csv = CsvLine(logbook.header);
  for (const CsvRow& row : logbook.rows) csv += CsvLine(row);
  return csv;
}

std::vector<Flight> AsFlights(const Logbook& logbook) {
  std::vector<Flight> flights;
  for (const CsvRow& row : logbook.rows) flights.push_back({logbook.header, row});
  return flights;
}

std::vector<CsvRow> AddFlights(Logbook& logbook, const std::vector<Flight>& flights) {
  // Every name first, so that all rows compare over the same columns.
  for (const Flight& flight : flights) {
    for (const std::string& name : flight.names) {
      if (std::find(logbook.header.begin(), logbook.header.end(), name) == logbook.header.end()) {
        logbook.header.push_back(name);
      }
    }
  }
  std::map<std::string, size_t> held;
  for (CsvRow& row : logbook.rows) {
    row.resize(logbook.header.size());
    ++held[RowKey(row)];
  }
  std::vector<CsvRow> added;
  for (const Flight& flight : flights) {
    CsvRow row(logbook.header.size());
    std::vector<bool> filled(logbook.header.size());
    for (size_t i = 0; i < flight.names.size() && i < flight.values.size(); ++i) {
      size_t column = static_cast<size_t>(
          std::find(logbook.header.begin(), logbook.header.end(), flight.names[i]) -
          logbook.header.begin());
      // A name given twice keeps its first value.
      if (filled[column]) continue;
      filled[column] = true;
      row[column] = flight.values[i];
    }
    auto it = held.find(RowKey(row));
    if (it != held.end() && it->second > 0) {
      --it->second;
      continue;
    }
    added.push_back(row);
  }
  logbook.rows.insert(logbook.rows.end(), added.begin(), added.end());
  return added;
}

Logbook ReadLogbook(const std::string& path) {
  if (!RegularFileExists(path)) return {};
  return ParseLogbook(ReadWholeFile(path));
}

void WriteLogbook(const std::string& path, const Logbook& logbook) {
  WriteFileAtomically(path, LogbookCsv(logbook));
}

}  // namespace corvane::pc
