#pragma once

// What the fuzz targets check of each input, shared with the test that
// replays their corpora: the program's own readers are run on the input, and
// the result must be either a clean refusal (the reader's documented error)
// or an accepted input whose result holds together.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace corvane::fuzz {

struct FuzzOutcome {
  bool accepted = false;  // false: refused with the reader's own error
  std::string fault;      // what went wrong; empty when all is well
};

using FuzzCheck = FuzzOutcome (*)(const uint8_t* data, size_t size);

// The PDB reader: a database that writes back to the very same bytes, or
// the damaged-database error.
FuzzOutcome CheckPdbReader(const uint8_t* data, size_t size);
// A line of corvane.txt: a 201-byte schema record holding its fields, or the
// export's errors (missing field, no number, texts too long).
FuzzOutcome CheckSchemaLine(const uint8_t* data, size_t size);
// A pick-list file (first byte odd: the registrations list): entries from
// trimmed non-blank lines, and their records laid out as the handheld reads them.
FuzzOutcome CheckPickList(const uint8_t* data, size_t size);
// A report cut into parts (first two bytes: the split size): the pieces
// give back the text, each ends at a line end within the split size or is
// two characters, and the dry run counts them all.
FuzzOutcome CheckReportSplitter(const uint8_t* data, size_t size);
// status.flag and verbose.txt content: the trimmed, lower-cased text, and a
// level that reads back the same, or the conversion's errors.
FuzzOutcome CheckSmallFileText(const uint8_t* data, size_t size);
// The settings file (first byte: the value name; then the file's content, a
// 0xFF byte and the text to store): the stored text reads back whatever the
// file held.
FuzzOutcome CheckSettingsIni(const uint8_t* data, size_t size);
// A Wine prefix's user.reg: the exchange folder's value, or the damaged-
// registry error, and the same answer with CR LF line ends.
FuzzOutcome CheckWineRegistry(const uint8_t* data, size_t size);

// The serial stack (serial_fuzz_checks.cpp). SLP: the packets decoded from
// any split of the input are the same, each its own bytes in the input
// (accepted when there is one). PADP and CMP: a body that encodes back to
// itself, or kLinkMalformed. The desktop's end fed the input as all the
// handheld sends: answers or a link error (accepted when answered).
FuzzOutcome CheckSlpStream(const uint8_t* data, size_t size);
FuzzOutcome CheckPadp(const uint8_t* data, size_t size);
FuzzOutcome CheckCmp(const uint8_t* data, size_t size);
FuzzOutcome CheckSerialDesktop(const uint8_t* data, size_t size);

// A DLP request (link_fuzz_checks.cpp): one that decodes encodes back to the same bytes.
FuzzOutcome CheckDlpRequest(const uint8_t* data, size_t size);
// A DLP answer: the same, and the client's decoders refuse it or agree with its sizes.
FuzzOutcome CheckDlpResponse(const uint8_t* data, size_t size);
// What a desktop receives over NetSync, after its opening or a request: an
// answer, or the link's malformed or closed error.
FuzzOutcome CheckNetSyncStream(const uint8_t* data, size_t size);
// The conduit's DLP channel: messages that frame back to the same bytes, or
// the link's malformed or closed error.
FuzzOutcome CheckChannelStream(const uint8_t* data, size_t size);

struct FuzzTarget {
  const char* name;  // also its corpus folder, fuzz/corpus/<name>
  FuzzCheck check;
};
const std::vector<FuzzTarget>& FuzzTargets();

}  // namespace corvane::fuzz
