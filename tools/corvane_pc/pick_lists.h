#pragma once

#include <array>
#include <string>
#include <vector>

#include "exchange/exchange_files.h"

namespace corvane::pc {

// The four pick lists the handheld and the PC application share.
enum class ListKind { kAircraft, kAirport, kPerson, kSimulator };

struct ListFile {
  ListKind kind;
  const char* name;  // as the conduit writes it; matched without regard to case
  const char* title;
};

inline constexpr std::array<ListFile, 4> kListFiles = {{
    {ListKind::kAircraft, kPickListFiles[0].written_as, "aircraft"},
    {ListKind::kAirport, kPickListFiles[1].written_as, "airports"},
    {ListKind::kPerson, kPickListFiles[2].written_as, "persons"},
    {ListKind::kSimulator, kPickListFiles[3].written_as, "simulators"},
}};

// The entries of a list file: its CR LF lines without their leading and
// trailing spaces, blank lines left out. An aircraft entry is "reg|type",
// each part trimmed and anything after a second "|" dropped, as the handheld
// keeps only the two.
std::vector<std::string> ParseList(ListKind kind, const std::string& text);

// One list of both sides: sorted without regard to case, each entry once
// (entries differing only in case are one; the PC's spelling is kept). An
// aircraft is known by its registration: the handheld's type wins when it
// has one, since the pilot entered it last.
std::vector<std::string> MergeList(ListKind kind, const std::vector<std::string>& own,
                                   const std::vector<std::string>& received);

// The list as its file holds it: every entry followed by CR LF.
std::string ListText(const std::vector<std::string>& entries);

}  // namespace corvane::pc
