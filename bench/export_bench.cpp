// The export transfers on lists, schemas and reports of two sizes: time and
// bytes written should double together, never quadruple.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench_texts.h"
#include "export/cache_export.h"
#include "export/report_export.h"
#include "export/schema_export.h"
#include "handheld/hotsync_link.h"
#include "handheld/pdb_format.h"
#include "null_window.h"
#include "platform/system_clock.h"
#include "support/frm_main.h"
#include "support/window.h"

namespace corvane {
namespace {

using corvane::bench::Lines;
using corvane::bench::ReportText;

namespace fs = std::filesystem;

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

void EmptyDatabase(const fs::path& folder, const std::string& name) {
  PdbFile file;
  file.header.SetName(name);
  file.header.type = "DATA";
  file.header.creator = "CRVN";
  Bytes bytes = SerializePdb(file);
  WriteFile(folder / (name + ".pdb"), std::string(bytes.begin(), bytes.end()));
}

// A handheld folder and an exchange folder, removed afterwards.
class Workspace {
 public:
  Workspace() {
    char tmpl[] = "/tmp/corvane-bench-XXXXXX";
    root_ = ::mkdtemp(tmpl);
    fs::create_directories(handheld());
    fs::create_directories(exchange() / "Reports");
    for (const char* db : {"CRVN_Corvane_Schema", "CRVN_Corvane_Cache", "CRVN_Corvane_Reports"}) {
      EmptyDatabase(handheld(), db);
    }
  }
  ~Workspace() { fs::remove_all(root_); }

  fs::path handheld() const { return root_ / "handheld"; }
  fs::path exchange() const { return root_ / "exchange"; }

  // Runs one transfer on its own link and writes the handheld files, as a
  // synchronisation does. Gives the bytes of the handheld files afterwards.
  template <typename Transfer>
  size_t Run(Transfer transfer) {
    NullWindow window;
    SystemClock clock;
    FrmMain frm(window, clock);
    frm.appPath = root_.string();
    frm.syncPath = exchange().string() + "/";
    HotSyncLink link(handheld().string(), HotSyncLink::Source::kAlways);
    if (!transfer(frm, link)) std::abort();
    link.Flush(clock);
    size_t bytes = 0;
    for (const auto& entry : fs::directory_iterator(handheld())) bytes += entry.file_size();
    return bytes;
  }

 private:
  fs::path root_;
};

void Report(benchmark::State& state, size_t handheld_bytes) {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  state.counters["handheld_MB"] = static_cast<double>(handheld_bytes) / 1e6;
  state.counters["peak_RSS_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * handheld_bytes));
}

// Four lists of range(0) lines each.
void BM_CacheExport(benchmark::State& state) {
  Workspace ws;
  const int lines = static_cast<int>(state.range(0));
  WriteFile(ws.exchange() / "airport.txt", Lines(lines, "  AIRPORT "));
  std::string registrations;
  for (int i = 0; i < lines; ++i) registrations += "D-E" + std::to_string(i) + "|C172\r\n";
  WriteFile(ws.exchange() / "acreg_actype.txt", registrations);
  WriteFile(ws.exchange() / "PERSON.txt", Lines(lines, "Person "));
  WriteFile(ws.exchange() / "simulator.txt", Lines(lines, "Sim "));
  size_t bytes = 0;
  for (auto _ : state) bytes = ws.Run(PCtoPDA_CorvaneCache);
  Report(state, bytes);
}
BENCHMARK(BM_CacheExport)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond);

// A corvane.txt of range(0) field definitions.
void BM_SchemaExport(benchmark::State& state) {
  Workspace ws;
  std::string schema;
  for (int64_t i = 0; i < state.range(0); ++i) {
    schema += " Field" + std::to_string(i) + " |T|Display name " + std::to_string(i) + "|" +
              std::to_string(i % 7) + "\r\n";
  }
  WriteFile(ws.exchange() / "corvane.txt", schema);
  size_t bytes = 0;
  for (auto _ : state) bytes = ws.Run(PCtoPDA_CorvaneSchema);
  Report(state, bytes);
}
BENCHMARK(BM_SchemaExport)->Arg(200)->Arg(400)->Unit(benchmark::kMillisecond);

// range(0) reports: small ones, one of range(0) * 5 KB (1 MB at 200) and one
// holding a line of range(0) * 60 characters (12,000 at 200).
void BM_ReportExport(benchmark::State& state) {
  Workspace ws;
  const int64_t count = state.range(0);
  const fs::path reports = ws.exchange() / "Reports";
  for (int64_t i = 0; i < count - 2; ++i) {
    WriteFile(reports / ("Report " + std::to_string(i) + ".txt"), ReportText(2000));
  }
  WriteFile(reports / "Big.txt", ReportText(static_cast<size_t>(count) * 5243));
  WriteFile(reports / "Long line.txt",
            "head\r\n" + std::string(static_cast<size_t>(count) * 60, 'L') + "\r\ntail\r\n");
  size_t bytes = 0;
  for (auto _ : state) bytes = ws.Run(PCtoPDA_CorvaneReport);
  Report(state, bytes);
}
BENCHMARK(BM_ReportExport)->Arg(200)->Arg(400)->Unit(benchmark::kMillisecond);

// One report of range(0) bytes in 80-character lines: the split alone.
void BM_ReportSplitLarge(benchmark::State& state) {
  Workspace ws;
  WriteFile(ws.exchange() / "Reports" / "Big.txt", ReportText(static_cast<size_t>(state.range(0))));
  size_t bytes = 0;
  for (auto _ : state) bytes = ws.Run(PCtoPDA_CorvaneReport);
  Report(state, bytes);
}
BENCHMARK(BM_ReportSplitLarge)->Arg(1 << 20)->Arg(2 << 20)->Unit(benchmark::kMillisecond);

// One line of range(0) characters: sent two characters a part until the
// rest fits, so the parts, and the bytes written, grow with the line.
void BM_ReportLongLine(benchmark::State& state) {
  Workspace ws;
  WriteFile(ws.exchange() / "Reports" / "Line.txt",
            std::string(static_cast<size_t>(state.range(0)), 'L'));
  size_t bytes = 0;
  for (auto _ : state) bytes = ws.Run(PCtoPDA_CorvaneReport);
  Report(state, bytes);
}
BENCHMARK(BM_ReportLongLine)->Arg(12000)->Arg(14000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();
