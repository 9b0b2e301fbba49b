#include "corvane_pc/reports.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <numeric>

#include "exchange/exchange_path.h"
#include "export/report_pieces.h"
#include "support/conduit_error.h"
#include "support/text_file.h"

namespace corvane::pc {
namespace {

constexpr size_t kLastFlights = 20;
// The conduit's report record: text, name and their zero bytes in 10240.
constexpr size_t kRecordText = 10240;
constexpr size_t kPartFrame = 200;

class Columns {
 public:
  explicit Columns(const Logbook& logbook) : header_(logbook.header) {}
  std::string Get(const CsvRow& row, const std::string& name) const {
    auto it = std::find(header_.begin(), header_.end(), name);
    if (it == header_.end()) return "";
    size_t i = static_cast<size_t>(it - header_.begin());
    return i < row.size() ? row[i] : "";
  }

 private:
  const CsvRow& header_;
};

std::string Pad(std::string text, size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

std::string PadLeft(const std::string& text, size_t width) {
  return text.size() < width ? std::string(width - text.size(), ' ') + text : text;
}

long Minutes(const std::string& text) {
  long minutes = 0;
  return ParseDuration(text, minutes) ? minutes : 0;
}

long Landings(const std::string& text) {
  long value = 0;
  return ParseDuration(text, value) && text.find(':') == std::string::npos ? value : 0;
}

Report Totals(const Logbook& logbook, const Columns& col) {
  struct Total {
    size_t flights = 0;
    long minutes = 0;
    long landings = 0;
  };
  std::map<std::string, Total> by_type;
  Total all;
  for (const CsvRow& row : logbook.rows) {
    std::string type = col.Get(row, kAircraftTypeField);
    if (type.empty()) type = "(no type)";
    for (Total* t : {&by_type[type], &all}) {
      ++t->flights;
      t->minutes += Minutes(col.Get(row, kTotalTimeField));
      t->landings += Landings(col.Get(row, kLandingsField));
    }
  }
  auto line = [](const std::string& type, const Total& t) {
    return Pad(type, 12) + PadLeft(std::to_string(t.flights), 8) +
           PadLeft(FormatDuration(t.minutes), 10) + PadLeft(std::to_string(t.landings), 10) +
           "\r\n";
  };
  std::string text = "Totals per aircraft type\r\n\r\n";
  text += Pad("Type", 12) + PadLeft("Flights", 8) + PadLeft("Time", 10) + PadLeft("Landings", 10) +
          "\r\n";
  for (const auto& [type, t] : by_type) text += line(type, t);
  text += std::string(40, '-') + "\r\n" + line("All", all);
  return {"Totals.txt", text};
}

// Rows in the order they were flown; equal keys keep the logbook's order.
std::vector<const CsvRow*> Chronological(const Logbook& logbook, const Columns& col) {
  std::vector<const CsvRow*> rows;
  for (const CsvRow& row : logbook.rows) rows.push_back(&row);
  std::stable_sort(rows.begin(), rows.end(), [&](const CsvRow* a, const CsvRow* b) {
    return std::make_pair(col.Get(*a, kDateField), col.Get(*a, kOffBlockField)) <
           std::make_pair(col.Get(*b, kDateField), col.Get(*b, kOffBlockField));
  });
  return rows;
}

Report LastFlights(const Logbook& logbook, const Columns& col) {
  std::vector<const CsvRow*> rows = Chronological(logbook, col);
  size_t first = rows.size() > kLastFlights ? rows.size() - kLastFlights : 0;
  std::string text = "Last " + std::to_string(kLastFlights) + " flights\r\n\r\n";
  for (size_t i = first; i < rows.size(); ++i) {
    const CsvRow& r = *rows[i];
    text += Pad(col.Get(r, kDateField), 11) + Pad(col.Get(r, kRegistrationField), 8) +
            Pad(col.Get(r, kAircraftTypeField), 6) +
            Pad(col.Get(r, kFromField) + "-" + col.Get(r, kToField), 10) +
            PadLeft(col.Get(r, kTotalTimeField), 6) + "\r\n";
  }
  if (rows.empty()) text += "No flights yet.\r\n";
  return {"Last20.txt", text};
}

Report WholeLogbook(const Logbook& logbook, const std::vector<SchemaField>& schema,
                    const Columns& col) {
  std::map<std::string, std::string> display;
  for (const SchemaField& f : schema) display[f.name] = f.display;
  std::vector<const CsvRow*> rows = Chronological(logbook, col);
  std::string text = "Logbook, " + std::to_string(rows.size()) + " flights\r\n\r\n";
  long minutes = 0;
  long landings = 0;
  for (size_t i = 0; i < rows.size(); ++i) {
    const CsvRow& r = *rows[i];
    text += "Flight " + std::to_string(i + 1) + " of " + std::to_string(rows.size()) + ": " +
            col.Get(r, kDateField) + " " + col.Get(r, kFromField) + "-" + col.Get(r, kToField) +
            "\r\n";
    text += std::string(48, '-') + "\r\n";
    for (size_t c = 0; c < logbook.header.size(); ++c) {
      auto it = display.find(logbook.header[c]);
      std::string label = it != display.end() ? it->second : logbook.header[c];
      text += Pad(label, 20) + ": " + (c < r.size() ? r[c] : "") + "\r\n";
    }
    minutes += Minutes(col.Get(r, kTotalTimeField));
    landings += Landings(col.Get(r, kLandingsField));
    text += Pad("Total time to date", 20) + ": " + FormatDuration(minutes) + "\r\n";
    text += Pad("Landings to date", 20) + ": " + std::to_string(landings) + "\r\n\r\n";
  }
  return {"Logbook.txt", text};
}

}  // namespace

bool ParseDuration(const std::string& text, long& minutes) {
  size_t colon = text.find(':');
  auto digits = [](const std::string& s) {
    return !s.empty() && s.size() < 9 &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (colon == std::string::npos) {
    if (!digits(text)) return false;
    minutes = std::stol(text);
    return true;
  }
  std::string h = text.substr(0, colon), m = text.substr(colon + 1);
  if (!digits(h) || !digits(m) || m.size() != 2 || std::stol(m) > 59) return false;
  minutes = std::stol(h) * 60 + std::stol(m);
  return true;
}

std::string FormatDuration(long minutes) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%ld:%02ld", minutes / 60, minutes % 60);
  return buffer;
}

std::vector<Report> BuildReports(const Logbook& logbook, const std::vector<SchemaField>& schema) {
  Columns col(logbook);
  return {Totals(logbook, col), LastFlights(logbook, col), WholeLogbook(logbook, schema, col)};
}

void WriteReports(const std::string& folder, const std::vector<Report>& reports) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) throw ConduitError(ec.value(), "cannot create " + folder + ": " + ec.message());
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.is_regular_file() && !std::filesystem::remove(entry.path(), ec)) {
      throw ConduitError(ec.value(),
                         "cannot remove " + entry.path().string() + ": " + ec.message());
    }
  }
  for (const Report& report : reports)
    WriteWholeFile(JoinPath(folder, report.file_name), report.text);
}

size_t HandheldRecords(const Report& report) {
  const size_t name = report.file_name.size() >= 4 ? report.file_name.size() - 4 : 0;
  if (name + report.text.size() + 4 <= kRecordText) return 1;
  std::string text = report.text + "\r\n";
  ReportPieces pieces(text, static_cast<int32_t>(kRecordText - name - kPartFrame));
  size_t parts = 0;
  while (!pieces.Done()) {
    pieces.Next();
    ++parts;
  }
  return parts;
}

}  // namespace corvane::pc
