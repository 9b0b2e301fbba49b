#pragma once

#include <array>
#include <cstdint>

namespace corvane {

// The files of the exchange folder, as the conduit names them. The folder is
// shared with a Windows program, so names are matched without regard to
// letter case (see ResolveExchangeFile): a spelling below decides only the
// name of a file the conduit creates, and the texts of the log.

inline constexpr const char* kStatusFileName = "status.flag";
inline constexpr const char* kVerboseFileName = "verbose.txt";
inline constexpr const char* kVersionFileName = "version.txt";
inline constexpr const char* kFlightsFileName = "db.txt";
inline constexpr const char* kSchemaFileName = "corvane.txt";
inline constexpr const char* kReportsFolderName = "Reports";

// The four pick-list files, one per record type (CustDataType) of the
// handheld's cache database. The import and the export have always spelt two
// of them differently; the log shows those spellings, so they stay.
struct PickListFile {
  const char* written_as;  // the file the import creates
  const char* logged_as;   // how the import's log names it
  const char* read_as;     // how the export asks for it (and logs a failure)
};

// Indexed by CustDataType - 1.
inline constexpr std::array<PickListFile, 4> kPickListFiles = {{
    {"acreg_actype.txt", "acreg_actype.txt", "acreg_actype.txt"},
    {"airport.txt", "airport.txt", "airport.txt"},
    {"PERSON.txt", "person.txt", "person.txt"},
    {"simulator.txt", "simulator.txt", "SIMULATOR.txt"},
}};

// The registrations list, whose entries carry their aircraft type.
inline constexpr uint8_t kRegistrationType = 1;

}  // namespace corvane
