#pragma once

namespace corvane {

// The databases of the Corvane handheld application, opened by these names.
inline constexpr const char* kPrefDatabase = "CRVN_Corvane_Pref";        // its version
inline constexpr const char* kCacheDatabase = "CRVN_Corvane_Cache";      // the four pick lists
inline constexpr const char* kFlightsDatabase = "CRVN_Corvane_db";       // the flights
inline constexpr const char* kSchemaDatabase = "CRVN_Corvane_Schema";    // the logbook's fields
inline constexpr const char* kReportsDatabase = "CRVN_Corvane_Reports";  // the reports

}  // namespace corvane
