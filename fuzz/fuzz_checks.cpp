#include "fuzz_checks.h"

#include <algorithm>
#include <initializer_list>

#include "control/verbose_level.h"
#include "exchange/small_file.h"
#include "export/cache_list.h"
#include "export/report_pieces.h"
#include "export/schema_record.h"
#include "fuzz_verdicts.h"
#include "handheld/pdb_format.h"
#include "handheld/sync_library.h"
#include "platform/ini_format.h"
#include "platform/wine_registry.h"
#include "support/conduit_error.h"
#include "support/integer_text.h"
#include "support/text_ops.h"

namespace corvane::fuzz {
namespace {

FuzzOutcome Accepted() {
  return {true, ""};
}

std::string Text(const uint8_t* data, size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

FuzzOutcome CheckPdbReader(const uint8_t* data, size_t size) {
  try {
    const Bytes back = SerializePdb(ParsePdb(data, size, "fuzz"));
    if (back.size() != size || !std::equal(back.begin(), back.end(), data)) {
      return Fault("written back differently");
    }
    return Accepted();
  } catch (const ConduitError& e) {
    return Refused(e, {err::kDamagedDatabase});
  }
}

FuzzOutcome CheckSchemaLine(const uint8_t* data, size_t size) {
  const std::string row = Text(data, size);
  Bytes record;
  try {
    record = SchemaLineRecord(row);
  } catch (const ConduitError& e) {
    return Refused(
        e, {err::kSubscriptOutOfRange, err::kTypeMismatch, err::kOverflow, err::kBufferOverrun});
  }
  if (record.size() != 201) return Fault("record of " + std::to_string(record.size()) + " bytes");
  // A zero inside a text ends it early on the handheld; the layout holds for the rest.
  if (row.find('\0') != std::string::npos) return Accepted();
  const std::vector<std::string> fields = SplitText(row, "|");
  PDByteConverter conv;
  int16_t panel = 0;
  std::string type, display, name;
  int32_t at = conv.NumberFromBytes(record, 0, true, panel);
  at = conv.TextFromBytes(record, at, 32767, type);
  at = conv.TextFromBytes(record, at, 32767, display);
  at = conv.TextFromBytes(record, at, 32767, name);
  if (panel != TextToInt16(fields[3]) || type != fields[1] || display != fields[2] ||
      name != TrimSpaces(fields[0])) {
    return Fault("record does not hold the line's fields");
  }
  if (std::any_of(record.begin() + at, record.end(), [](uint8_t b) { return b != 0; })) {
    return Fault("bytes after the field name are not zero");
  }
  return Accepted();
}

FuzzOutcome CheckPickList(const uint8_t* data, size_t size) {
  if (size == 0) return Accepted();
  const bool registrations = (data[0] & 1) != 0;
  const uint8_t type = registrations ? 1 : 2;
  const std::string text = TrimSpaces(Text(data + 1, size - 1));
  std::vector<CacheEntry> entries;
  try {
    entries = CacheListEntries(text, registrations);
  } catch (const ConduitError& e) {
    return Refused(e, {err::kOverflow});
  }
  if (entries.size() > SplitText(text, "\r\n").size()) return Fault("more entries than lines");
  for (const auto& [value, dependent] : entries) {
    if (value.find("\r\n") != std::string::npos || dependent.find("\r\n") != std::string::npos) {
      return Fault("an entry spans lines");
    }
    if (!registrations && (value.empty() || value != TrimSpaces(value) || !dependent.empty())) {
      return Fault("entry '" + value + "' is not a trimmed line");
    }
    if (registrations &&
        (value.find('|') != std::string::npos || dependent.find('|') != std::string::npos)) {
      return Fault("registration entry holds a '|'");
    }
    Bytes record;
    try {
      record = CacheRecordData(type, value, dependent);
    } catch (const ConduitError& e) {
      return Refused(e, {err::kOverflow});
    }
    if (record.size() != value.size() + dependent.size() + 4 || record[0] != type ||
        record[1 + value.size()] != 0 || record.back() != 0 ||
        std::string(record.begin() + 1, record.begin() + 1 + value.size()) != value) {
      return Fault("record of entry '" + value + "' is laid out wrongly");
    }
  }
  return Accepted();
}

FuzzOutcome CheckReportSplitter(const uint8_t* data, size_t size) {
  if (size < 2) return Accepted();
  // Split sizes from below zero to above the largest a report name leaves.
  const int32_t split = static_cast<int32_t>((data[0] << 8 | data[1]) % 10200) - 100;
  const std::string text = Text(data + 2, size - 2);
  std::string joined;
  size_t count = 0;
  for (ReportPieces pieces(text, split); !pieces.Done(); ++count) {
    const std::string piece(pieces.Next());
    if (piece.empty()) return Fault("empty piece");
    const bool whole_lines =
        EndsWith(piece, "\r\n") && static_cast<int32_t>(piece.size()) <= split + 1;
    if (piece.size() > 2 && !whole_lines) {
      return Fault("piece of " + std::to_string(piece.size()) + " bytes with split size " +
                   std::to_string(split));
    }
    joined += piece;
  }
  if (joined != text) return Fault("pieces do not give back the text");
  if (CountReportPieces(text, split) != count) return Fault("dry run counts differently");
  return Accepted();
}

FuzzOutcome CheckSmallFileText(const uint8_t* data, size_t size) {
  const std::string text = SmallFileText(Text(data, size));
  if (!text.empty() && (text.front() == ' ' || text.back() == ' ')) return Fault("not trimmed");
  if (std::any_of(text.begin(), text.end(), [](char c) { return c >= 'A' && c <= 'Z'; })) {
    return Fault("not lower-cased");
  }
  if (SmallFileText(text) != text) return Fault("not settled after one pass");
  try {
    const int16_t level = ParseVerboseLevel(text);
    if (ParseVerboseLevel(std::to_string(level)) != level) return Fault("level does not read back");
    return Accepted();
  } catch (const ConduitError& e) {
    return Refused(e, {err::kTypeMismatch, err::kOverflow});
  }
}

FuzzOutcome CheckSettingsIni(const uint8_t* data, size_t size) {
  if (size == 0) return Accepted();
  static const char* const kNames[] = {"PalmSyncPath", "PalmSyncSuppressNotify", "a b", "x/y"};
  const std::string name = kNames[data[0] % 4];
  const std::string rest = Text(data + 1, size - 1);
  const size_t cut = rest.find('\xff');
  const std::string content = rest.substr(0, cut);
  const std::string text = cut == std::string::npos ? "1,3" : rest.substr(cut + 1);
  IniValue(content, name);  // whatever the file holds, reading it must not fail
  if (IniUnescapeValue(IniEscapeValue(text)) != text) return Fault("value does not unescape");
  if (IniValue(IniWithValue(content, name, text), name) != text) {
    return Fault("stored value does not read back");
  }
  return Accepted();
}

FuzzOutcome CheckWineRegistry(const uint8_t* data, size_t size) {
  const std::string file = Text(data, size);
  const std::string key = "Software\\Veltrane-soft\\Corvane";
  std::optional<std::string> value;
  try {
    value = FindWineRegistryString(file, key, "PalmSyncPath");
  } catch (const ConduitError& e) {
    return Refused(e, {err::kDamagedWineRegistry});
  }
  // Wine may write its lines ended by CR LF: the same file reads the same.
  if (file.find('\r') == std::string::npos) {
    std::string crlf;
    for (char c : file) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    if (FindWineRegistryString(crlf, key, "PalmSyncPath") != value) {
      return Fault("reads differently with CR LF line ends");
    }
  }
  return Accepted();
}

const std::vector<FuzzTarget>& FuzzTargets() {
  static const std::vector<FuzzTarget> targets = {
      {"pdb_reader", CheckPdbReader},
      {"schema_line", CheckSchemaLine},
      {"pick_list", CheckPickList},
      {"report_splitter", CheckReportSplitter},
      {"small_file_text", CheckSmallFileText},
      {"settings_ini", CheckSettingsIni},
      {"wine_registry", CheckWineRegistry},
      {"slp_stream", CheckSlpStream},
      {"padp", CheckPadp},
      {"cmp", CheckCmp},
      {"serial_desktop", CheckSerialDesktop},
      {"dlp_request", CheckDlpRequest},
      {"dlp_response", CheckDlpResponse},
      {"netsync_stream", CheckNetSyncStream},
      {"channel_stream", CheckChannelStream},
  };
  return targets;
}

}  // namespace corvane::fuzz
