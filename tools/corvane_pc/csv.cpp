#include "corvane_pc/csv.h"

#include "support/conduit_error.h"

namespace corvane::pc {

std::string CsvField(const std::string& value) {
  if (value.find_first_of(",\"\r\n") == std::string::npos) return value;
  std::string quoted = "\"";
  for (char c : value) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string CsvLine(const CsvRow& row) {
  std::string line;
  for (size_t i = 0; i < row.size(); ++i) {
    if (i > 0) line += ',';
    line += CsvField(row[i]);
  }
  return line + "\r\n";
}

std::vector<CsvRow> ParseCsv(const std::string& text) {
  std::vector<CsvRow> rows;
  CsvRow row;
  std::string field;
  size_t i = 0;
  const size_t n = text.size();
  auto damaged = [&](const std::string& what) {
    return ConduitError(err::kDamagedLogbook,
                        "logbook CSV damaged at byte " + std::to_string(i) + ": " + what);
  };
  while (i < n) {
    char c = text[i];
    if (c == '"' && field.empty()) {
      // A quoted field runs to the quote that is not doubled.
      size_t start = i++;
      for (;;) {
        if (i >= n) {
          i = start;
          throw damaged("a quote is never closed");
        }
        if (text[i] == '"') {
          if (i + 1 < n && text[i + 1] == '"') {
            field += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        field += text[i++];
      }
      if (i < n && text[i] != ',' && text[i] != '\n' && text[i] != '\r') {
        throw damaged("text after a closing quote");
      }
      continue;
    }
    if (c == ',') {
      row.push_back(field);
      field.clear();
      ++i;
    } else if (c == '\n' || (c == '\r' && i + 1 < n && text[i + 1] == '\n')) {
      row.push_back(field);
      field.clear();
      rows.push_back(row);
      row.clear();
      i += c == '\r' ? 2 : 1;
    } else {
      field += c;
      ++i;
    }
  }
  if (!field.empty() || !row.empty()) {
    row.push_back(field);
    rows.push_back(row);
  }
  return rows;
}

}  // namespace corvane::pc
