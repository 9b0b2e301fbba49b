#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/dlp_codec.h"
#include "link/wire_bytes.h"

namespace corvane::handheld_sim {

// What the handheld answers one request: its DLP error (none for a success)
// and the answer's arguments. A fault is a request no correct desktop sends
// (it does not decode, names a handle that is not open, writes through a
// read-only handle ...); it is answered with an error like any refusal but
// counted apart, with why.
struct Reply {
  uint16_t error = link::dlp::kErrNone;
  bool fault = false;
  std::string why;
  std::vector<link::DlpArgument> arguments;
};

// A success with one argument of the first id (or none).
Reply Ok(Bytes argument);
Reply Ok();
// An ordinary refusal: what a correct desktop may meet (a database that is
// not there, a record past the end).
Reply Refused(uint16_t error, std::string why);
Reply Fault(uint16_t error, std::string why);

// A reader over the one argument a request must carry, with this id. A
// request with other arguments raises kLinkMalformed, as does every reader
// that runs out of bytes: answered as a fault (dlpErrParam).
link::WireReader OnlyArgument(const link::DlpRequest& request, uint8_t id = link::dlp::kFirstArgId);
// Raises kLinkMalformed for a request with any argument.
void NoArguments(const link::DlpRequest& request);
// A reader over an argument, for messages naming the request.
link::WireReader ReaderOf(const link::DlpRequest& request, const link::DlpArgument& argument);
// Raises kLinkMalformed (answered as a fault) when anything is left unread.
void ExpectEnd(const link::WireReader& in);
// The rest of the argument as a text: it must end with its zero, hold no
// other, and be at most max_size bytes with the zero.
std::string ZeroEndedText(link::WireReader& in, size_t max_size, const char* what);
using link::HexByte;

// The largest record the simulated handheld takes, as the recorded handhelds
// tell in ReadSysInfo.
inline constexpr uint32_t kMaxRecordSize = 0xFFE1;

}  // namespace corvane::handheld_sim
