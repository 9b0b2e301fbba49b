#include "pdb_dump.h"

#include <algorithm>
#include <ctime>
#include <iomanip>
#include <sstream>

#include "pdb_description.h"

namespace corvane::pdbtool {
namespace {

std::string HexNumber(uint32_t v, int width) {
  std::ostringstream s;
  s << "0x" << std::hex << std::setw(width) << std::setfill('0') << v;
  return s.str();
}

// A handheld date: seconds since 1904, shown as a calendar date.
std::string PalmDate(uint32_t seconds) {
  if (seconds == 0) return "never (0)";
  const auto t = static_cast<std::time_t>(static_cast<long long>(seconds) - pdb::kEpochOffset);
  std::tm tm{};
  if (!gmtime_r(&t, &tm)) return std::to_string(seconds);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
  return std::string(text) + " (" + std::to_string(seconds) + ")";
}

std::string RecordFlags(uint8_t a) {
  std::string flags;
  auto add = [&](uint8_t bit, const char* name) {
    if (a & bit) flags += (flags.empty() ? "" : " ") + std::string(name);
  };
  add(pdb::kRecordDeleted, "deleted");
  add(pdb::kRecordDirty, "dirty");
  add(pdb::kRecordBusy, "busy");
  add(pdb::kRecordSecret, "secret");
  return flags.empty() ? "" : " [" + flags + "]";
}

void HexLines(std::ostream& out, const Bytes& data) {
  for (size_t at = 0; at < data.size(); at += 16) {
    const size_t n = std::min<size_t>(16, data.size() - at);
    std::ostringstream line;
    line << "    " << std::hex << std::setw(4) << std::setfill('0') << at << " ";
    std::string ascii;
    for (size_t k = 0; k < 16; ++k) {
      if (k < n) {
        const uint8_t b = data[at + k];
        line << ' ' << std::setw(2) << static_cast<int>(b);
        ascii += b >= 0x20 && b < 0x7F ? static_cast<char>(b) : '.';
      } else {
        line << "   ";
      }
    }
    out << line.str() << "  |" << ascii << "|\n";
  }
}

// The texts the data holds: every run of bytes ended by a zero.
void Texts(std::ostream& out, const Bytes& data) {
  std::string line;
  size_t start = 0;
  for (size_t i = 0; i < data.size(); ++i) {
    if (data[i] != 0) continue;
    line += " " + QuoteBytes(std::string(data.begin() + start, data.begin() + i));
    start = i + 1;
  }
  if (!line.empty()) out << "    texts" << line << "\n";
}

void Block(std::ostream& out, const char* label, const std::optional<Bytes>& block) {
  out << "  " << label;
  if (!block) {
    out << "none\n";
    return;
  }
  out << block->size() << " bytes\n";
  HexLines(out, *block);
}

}  // namespace

void Dump(std::ostream& out, const std::string& path, const PdbFile& file) {
  const PdbHeader& h = file.header;
  const size_t live = std::count_if(file.records.begin(), file.records.end(),
                                    [](const PdbRecord& r) { return !r.deleted(); });
  out << path << "\n";
  out << "  name        " << QuoteBytes(h.Name()) << "\n";
  out << "  type        " << QuoteBytes(h.type) << "\n";
  out << "  creator     " << QuoteBytes(h.creator) << "\n";
  out << "  attributes  " << HexNumber(h.attributes, 4) << "\n";
  out << "  version     " << h.version << "\n";
  out << "  created     " << PalmDate(h.creation_date) << "\n";
  out << "  modified    " << PalmDate(h.modification_date) << "\n";
  out << "  backed up   " << PalmDate(h.backup_date) << "\n";
  out << "  mod number  " << h.modification_number << "\n";
  out << "  id seed     " << HexNumber(h.unique_id_seed, 6) << "\n";
  Block(out, "app info    ", file.app_info);
  Block(out, "sort info   ", file.sort_info);
  out << "  records     " << file.records.size() << " (" << live << " live)\n";
  for (size_t i = 0; i < file.records.size(); ++i) {
    const PdbRecord& r = file.records[i];
    out << "  record " << i << "  attributes " << HexNumber(r.attributes, 2)
        << RecordFlags(r.attributes) << "  category " << static_cast<int>(r.category()) << "  id "
        << HexNumber(r.unique_id, 6) << "  size " << r.data.size() << "\n";
    HexLines(out, r.data);
    Texts(out, r.data);
  }
}

void Summarize(std::ostream& out, const std::string& path, const PdbFile& file, size_t bytes) {
  const size_t live = std::count_if(file.records.begin(), file.records.end(),
                                    [](const PdbRecord& r) { return !r.deleted(); });
  out << path << ": " << file.header.Name() << "  " << file.header.type << "/"
      << file.header.creator << "  " << live << (live == 1 ? " record" : " records") << "  "
      << bytes << " bytes\n";
}

}  // namespace corvane::pdbtool
