#pragma once

#include <string>
#include <vector>

#include "corvane_pc/logbook.h"
#include "corvane_pc/schema.h"

namespace corvane::pc {

// A report for the handheld: its file in the Reports folder (the handheld
// shows the name without its last four characters) and its CR LF text.
struct Report {
  std::string file_name;
  std::string text;
};

// The columns the reports read, by field name.
inline constexpr const char* kDateField = "Date";
inline constexpr const char* kOffBlockField = "OffBlock";
inline constexpr const char* kAircraftTypeField = "AcType";
inline constexpr const char* kRegistrationField = "AcReg";
inline constexpr const char* kFromField = "From";
inline constexpr const char* kToField = "To";
inline constexpr const char* kTotalTimeField = "TotalTime";
inline constexpr const char* kLandingsField = "Landings";

// "H:MM" (or whole minutes) as minutes; nothing for any other text.
bool ParseDuration(const std::string& text, long& minutes);
std::string FormatDuration(long minutes);

// Totals per aircraft type, the last 20 flights (by date and off-block time)
// and the whole logbook, one block per flight with the schema's display
// names and the running total time.
std::vector<Report> BuildReports(const Logbook& logbook, const std::vector<SchemaField>& schema);

// Empties folder of its files (reports of earlier runs would reach the
// handheld too), creating it if needed, then writes the reports.
void WriteReports(const std::string& folder, const std::vector<Report>& reports);

// How many records the conduit makes of the report on the handheld: 1 when
// it fits one record, else the number of its parts.
size_t HandheldRecords(const Report& report);

}  // namespace corvane::pc
