// make-sync-handheld: writes the input of a whole-synchronisation benchmark.
//   make-sync-handheld DIR SCALE
// DIR/handheld: 20,000 x SCALE flights of 50 texts, a 50-field schema, four
// pick lists of 5,000 x SCALE entries, preferences and an empty reports
// database. DIR/pc: what the PC application answers with (corvane.txt, the
// four lists and 200 x SCALE reports, one of SCALE MB and one holding a line
// of 12,000 characters). SCALE 0 gives the minimal synchronisation: no
// flights, entries or reports.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_texts.h"
#include "handheld/pdb_format.h"
#include "support/atomic_file.h"

namespace corvane {
namespace {

using corvane::bench::Lines;
using corvane::bench::ReportText;

namespace fs = std::filesystem;

constexpr int kFields = 50;

void AppendText(Bytes& data, const std::string& text) {
  data.insert(data.end(), text.begin(), text.end());
  data.push_back(0);
}

void WriteDatabase(const fs::path& folder, const std::string& name,
                   const std::vector<Bytes>& records) {
  PdbFile file;
  file.header.SetName(name);
  file.header.type = "DATA";
  file.header.creator = "CRVN";
  uint32_t id = 1;
  for (const Bytes& data : records) file.records.push_back(PdbRecord{0, id++, data});
  file.header.unique_id_seed = id;
  WriteFileAtomically((folder / (name + ".pdb")).string(), SerializePdb(file));
}

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

void MakeHandheld(const fs::path& folder, int scale) {
  std::vector<Bytes> schema;
  for (int i = 1; i <= kFields; ++i) {
    Bytes r{0, static_cast<uint8_t>(1 + i % 5)};
    AppendText(r, "T");
    AppendText(r, "Field " + std::to_string(i));
    AppendText(r, "FIELD" + std::to_string(i));
    schema.push_back(std::move(r));
  }
  WriteDatabase(folder, "CRVN_Corvane_Schema", schema);

  std::vector<Bytes> flights;
  for (int f = 0; f < 20000 * scale; ++f) {
    Bytes r;
    for (int field = 1; field <= kFields; ++field) {
      // Every fifth field empty, the others of 17 to 22 characters.
      AppendText(r, field % 5 == 0
                        ? std::string()
                        : "flight " + std::to_string(f) + " field " + std::to_string(field));
    }
    flights.push_back(std::move(r));
  }
  WriteDatabase(folder, "CRVN_Corvane_db", flights);

  std::vector<Bytes> cache;
  for (int type = 1; type <= 4; ++type) {
    for (int i = 0; i < 5000 * scale; ++i) {
      Bytes r{static_cast<uint8_t>(type)};
      AppendText(r, "HH ENTRY " + std::to_string(i));
      AppendText(r, type == 1 ? "C172" : "");
      cache.push_back(std::move(r));
    }
  }
  WriteDatabase(folder, "CRVN_Corvane_Cache", cache);

  Bytes pref;
  AppendText(pref, "Corvane Logbook");
  AppendText(pref, "Bench Pilot");
  AppendText(pref, "3.2.1");
  WriteDatabase(folder, "CRVN_Corvane_Pref", {pref});
  WriteDatabase(folder, "CRVN_Corvane_Reports", {});
}

void MakePcAnswer(const fs::path& folder, int scale) {
  fs::create_directories(folder / "Reports");
  std::string schema;
  for (int i = 1; i <= kFields; ++i) {
    schema += "FIELD" + std::to_string(i) + "|T|Field " + std::to_string(i) + "|" +
              std::to_string(1 + i % 5) + "\r\n";
  }
  WriteText(folder / "corvane.txt", schema);
  const int lines = 5000 * scale;
  WriteText(folder / "acreg_actype.txt", Lines(lines, "PC-REG ", "|C172"));
  WriteText(folder / "airport.txt", Lines(lines, "PC AIRPORT ", ""));
  WriteText(folder / "PERSON.txt", Lines(lines, "PC Person ", ""));
  WriteText(folder / "simulator.txt", Lines(lines, "PC Sim ", ""));
  const int reports = 200 * scale;
  for (int i = 0; i < reports; ++i) {
    WriteText(folder / "Reports" / ("Report " + std::to_string(i) + ".txt"), ReportText(2000));
  }
  if (scale == 0) return;  // the minimal synchronisation
  WriteText(folder / "Reports" / "Big.txt", ReportText(static_cast<size_t>(scale) << 20));
  WriteText(folder / "Reports" / "Long line.txt",
            "head\r\n" + std::string(12000, 'L') + "\r\ntail\r\n");
}

}  // namespace
}  // namespace corvane

int main(int argc, char** argv) {
  if (argc != 3 || std::atoi(argv[2]) < 0) {
    std::fprintf(stderr, "usage: make-sync-handheld DIR SCALE\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  const int scale = std::atoi(argv[2]);
  std::filesystem::create_directories(dir / "handheld");
  corvane::MakeHandheld(dir / "handheld", scale);
  corvane::MakePcAnswer(dir / "pc", scale);
  return 0;
}
