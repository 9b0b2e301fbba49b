// Write-back cost: the report export's pattern of open, add one record and
// release, repeated 10,000 times and then flushed, next to writing the final
// file once. The two should cost about the same.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "handheld/handheld_database.h"
#include "handheld/handheld_folder.h"
#include "handheld/pdb_format.h"
#include "handheld/sync_library.h"
#include "platform/system_clock.h"
#include "support/atomic_file.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

constexpr int kCycles = 10000;
constexpr size_t kRecordSize = 200;

class Folder {
 public:
  Folder() {
    std::string tmpl = (fs::temp_directory_path() / "corvane-bench-XXXXXX").string();
    path_ = ::mkdtemp(tmpl.data());
  }
  ~Folder() { fs::remove_all(path_); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

PdbFile EmptyReports() {
  PdbFile f;
  f.header.SetName("CRVN_Corvane_Reports");
  f.header.type = "DATA";
  f.header.creator = "CRVN";
  return f;
}

void WriteEmpty(const std::string& path) {
  WriteFileAtomically(path, SerializePdb(EmptyReports()));
}

void BM_OpenAddReleaseCyclesThenFlush(benchmark::State& state) {
  Folder folder;
  const std::string path = folder.path() + "/CRVN_Corvane_Reports.pdb";
  const Bytes record(kRecordSize, 'r');
  for (auto _ : state) {
    state.PauseTiming();
    WriteEmpty(path);
    state.ResumeTiming();
    HandheldFolder handheld(folder.path());
    for (int i = 0; i < kCycles; ++i) {
      PDRecordAdapter adapter(handheld.Open("CRVN_Corvane_Reports"));
      int32_t id = 0;
      adapter.AddRecord(id, 0, 0, record);
    }
    handheld.Flush(SystemClock());
  }
  state.SetBytesProcessed(state.iterations() * kCycles * kRecordSize);
}

void BM_WriteFinalFileOnce(benchmark::State& state) {
  Folder folder;
  const std::string path = folder.path() + "/CRVN_Corvane_Reports.pdb";
  const Bytes record(kRecordSize, 'r');
  for (auto _ : state) {
    HandheldDatabase db(path, EmptyReports());
    for (int i = 0; i < kCycles; ++i) db.AddRecord(0, pdb::kRecordDirty, record);
    WriteFileAtomically(path, SerializePdb(db.file()));
  }
  state.SetBytesProcessed(state.iterations() * kCycles * kRecordSize);
}

BENCHMARK(BM_OpenAddReleaseCyclesThenFlush)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteFinalFileOnce)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();
