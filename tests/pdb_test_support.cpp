#include "pdb_test_support.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iomanip>
#include <sstream>

namespace corvane::testing {

std::string ShellQuote(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

CommandResult RunCommand(const std::string& command, bool merge_stderr) {
  CommandResult result;
  FILE* pipe = ::popen((command + (merge_stderr ? " 2>&1" : " 2>/dev/null")).c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
  const int status = ::pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string SamplePath(const std::string& name) {
  return std::string(CORVANE_SAMPLES_DIR) + "/" + name;
}

std::vector<std::string> WellFormedSamples() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(CORVANE_SAMPLES_DIR)) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() == ".pdb" && name.rfind("bogus", 0) != 0) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

namespace {

std::string Hex(const uint8_t* p, size_t n) {
  std::ostringstream s;
  for (size_t i = 0; i < n; ++i) s << std::hex << std::setw(2) << std::setfill('0') << int(p[i]);
  return s.str();
}
std::string Hex(const std::string& s) {
  return Hex(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}
std::string Hex(const Bytes& b) {
  return Hex(b.data(), b.size());
}

}  // namespace

std::string CanonicalForm(const PdbFile& file) {
  const PdbHeader& h = file.header;
  std::ostringstream s;
  s << "name=" << Hex(h.Name()) << "\n";
  // Bits 0x1000-0x4000 have no name in Palm::PDB.
  s << "attributes=" << std::hex << std::setw(4) << std::setfill('0') << (h.attributes & 0x8FFF)
    << std::dec << "\n";
  s << "version=" << h.version << "\n";
  s << "created=" << h.creation_date << "\n";
  s << "modified=" << h.modification_date << "\n";
  s << "backup=" << h.backup_date << "\n";
  s << "modnum=" << h.modification_number << "\n";
  s << "type=" << Hex(h.type) << "\n";
  s << "creator=" << Hex(h.creator) << "\n";
  s << "seed=" << h.unique_id_seed << "\n";
  s << "appinfo=" << (file.app_info ? Hex(*file.app_info) : "") << "\n";
  s << "sortinfo=" << (file.sort_info ? Hex(*file.sort_info) : "") << "\n";
  s << "records=" << file.records.size() << "\n";
  for (const PdbRecord& r : file.records) {
    // A deleted or busy record's low bits carry only the archive flag there.
    uint8_t a = r.attributes;
    if (a & (pdb::kRecordDeleted | pdb::kRecordBusy)) a &= 0xF8;
    s << "record attr=" << std::hex << std::setw(2) << std::setfill('0') << int(a) << std::dec
      << " id=" << r.unique_id << " data=" << Hex(r.data) << "\n";
  }
  return s.str();
}

CommandResult PalmPdbView(const std::string& path) {
  return RunCommand("perl " +
                        ShellQuote(std::string(CORVANE_SOURCE_DIR) + "/tests/pdb_interop.pl") +
                        " " + ShellQuote(path),
                    /*merge_stderr=*/false);
}

Bytes ToBytes(const std::string& s) {
  return Bytes(s.begin(), s.end());
}

PdbFile SmallDatabase() {
  PdbFile f;
  f.header.SetName("CRVN_Corvane_Test");
  f.header.type = "DATA";
  f.header.creator = "CRVN";
  f.header.version = 3;
  f.header.attributes = 0x0008;
  f.header.creation_date = 3'500'000'000u;
  f.header.modification_date = 3'600'000'000u;
  f.header.backup_date = 3'550'000'000u;
  f.header.modification_number = 7;
  f.header.unique_id_seed = 0x10;
  f.app_info = ToBytes(std::string("app\0info", 8));
  f.records.push_back({0x40, 0x01, ToBytes(std::string("first\0", 6))});
  f.records.push_back({0x80 | 0x08, 0x02, ToBytes(std::string("gone\0", 5))});
  f.records.push_back({0x10 | 0x03, 0x05, ToBytes(std::string("\x01secret\0", 8))});
  return f;
}

}  // namespace corvane::testing
