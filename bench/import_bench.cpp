// The import phase on a handheld of 10,000 flights and 20,000 list entries,
// next to simply copying the same database files into the exchange folder:
// the import should stay within a small factor of the plain copy, in time and
// in memory.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "handheld/database_names.h"
#include "handheld/hotsync_link.h"
#include "handheld/pdb_format.h"
#include "import/cache_import.h"
#include "import/field_list.h"
#include "import/flights_import.h"
#include "import/version_import.h"
#include "null_window.h"
#include "support/frm_main.h"
#include "support/text_file.h"
#include "support/window.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

constexpr int kFlights = 10000;
constexpr int kListEntries = 20000;
constexpr int kSchemaFields = 40;

class FixedClock : public Clock {
 public:
  LocalDateTime Now() const override { return {2009, 1, 15, 9, 5, 3}; }
  int64_t UnixSeconds() const override { return 1232010303; }
};

void AppendText(Bytes& data, const std::string& text) {
  data.insert(data.end(), text.begin(), text.end());
  data.push_back(0);
}

void WriteDatabase(const fs::path& folder, const std::string& name, std::vector<Bytes> records) {
  PdbFile file;
  file.header.SetName(name);
  file.header.type = "DATA";
  file.header.creator = "CRVN";
  uint32_t id = 1;
  for (Bytes& data : records) {
    PdbRecord r;
    r.unique_id = id++;
    r.data = std::move(data);
    file.records.push_back(std::move(r));
  }
  file.header.unique_id_seed = id;
  Bytes bytes = SerializePdb(file);
  std::ofstream(folder / (name + ".pdb"), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// A handheld folder of realistic size and an exchange folder, removed afterwards.
class Workspace {
 public:
  Workspace() {
    char tmpl[] = "/tmp/corvane-bench-XXXXXX";
    root_ = ::mkdtemp(tmpl);
    fs::create_directories(handheld());
    fs::create_directories(exchange());
    // Built in a child, so that the memory of building stays out of the
    // figures of the process that measures.
    pid_t pid = ::fork();
    if (pid == 0) {
      WriteDatabases();
      ::_exit(0);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || status != 0) std::abort();
  }
  ~Workspace() { fs::remove_all(root_); }

  fs::path handheld() const { return root_ / "handheld"; }
  fs::path exchange() const { return root_ / "exchange"; }

 private:
  void WriteDatabases() const {
    std::vector<Bytes> schema;
    for (int i = 1; i <= kSchemaFields; ++i) {
      Bytes r{0, static_cast<uint8_t>(i)};
      AppendText(r, "T");
      AppendText(r, "Field " + std::to_string(i));
      AppendText(r, "FIELD_NAME_" + std::to_string(i));
      schema.push_back(std::move(r));
    }
    WriteDatabase(handheld(), kSchemaDatabase, std::move(schema));

    std::vector<Bytes> flights;
    for (int f = 0; f < kFlights; ++f) {
      Bytes r;
      for (int field = 1; field <= kFlightFieldCount; ++field) {
        std::string value;  // every fifth field empty, as on a real logbook
        if (field % 5 != 0) {
          value = std::to_string(f % 997);
          value += '-';
          value += std::to_string(field);
        }
        AppendText(r, value);
      }
      flights.push_back(std::move(r));
    }
    WriteDatabase(handheld(), kFlightsDatabase, std::move(flights));

    std::vector<Bytes> cache;
    for (int i = 0; i < kListEntries; ++i) {
      Bytes r{static_cast<uint8_t>(1 + i % 4)};
      AppendText(r, "ENTRY " + std::to_string(i));
      AppendText(r, i % 4 == 0 ? "C172" : "");
      cache.push_back(std::move(r));
    }
    WriteDatabase(handheld(), kCacheDatabase, std::move(cache));

    Bytes pref;
    AppendText(pref, "pilot");
    AppendText(pref, "options");
    AppendText(pref, "2.1.0");
    WriteDatabase(handheld(), kPrefDatabase, {pref});
  }

  fs::path root_;
};

// The three import transfers as the import phase runs them, on a fresh link
// so that every database is read from its file.
void RunImport(const Workspace& ws) {
  NullWindow window;
  FixedClock clock;
  FrmMain frm(window, clock);
  frm.appPath = ws.exchange().string();
  frm.syncPath = ws.exchange().string() + "/";
  HotSyncLink link(ws.handheld().string(), HotSyncLink::Source::kAlways);
  if (!GetVesion(frm, link) || !PDAtoPC_CorvaneCache(frm, link) || !PDAtoPC_CorvaneDB(frm, link)) {
    std::abort();
  }
}

// The same bytes moved without any interpretation.
void CopyDatabases(const Workspace& ws) {
  for (const char* name : {kPrefDatabase, kCacheDatabase, kFlightsDatabase, kSchemaDatabase}) {
    std::string file = std::string(name) + ".pdb";
    WriteWholeFile((ws.exchange() / file).string(), ReadWholeFile((ws.handheld() / file).string()));
  }
}

// A figure of /proc/self/status, in KiB.
long StatusKb(const char* key) {
  long value = -1;
  if (FILE* f = std::fopen("/proc/self/status", "r")) {
    char line[256];
    size_t n = std::strlen(key);
    while (std::fgets(line, sizeof line, f)) {
      if (std::strncmp(line, key, n) == 0) value = std::atol(line + n);
    }
    std::fclose(f);
  }
  return value;
}

// One run of fn in a child process: its peak resident memory (VmHWM) and how
// far that rose above what the child held when it started, in KiB.
std::pair<long, long> PeakMemoryKb(const std::function<void()>& fn) {
  ::malloc_trim(0);  // what earlier runs freed is not held against this one
  int fds[2];
  if (::pipe(fds) != 0) return {-1, -1};
  pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    long start = StatusKb("VmRSS:");
    fn();
    long figures[2] = {StatusKb("VmHWM:"), 0};
    figures[1] = figures[0] - start;
    if (::write(fds[1], figures, sizeof figures) != sizeof figures) ::_exit(1);
    ::_exit(0);
  }
  ::close(fds[1]);
  long figures[2] = {-1, -1};
  if (pid < 0 || ::read(fds[0], figures, sizeof figures) != sizeof figures) figures[0] = -1;
  ::close(fds[0]);
  int status = 0;
  if (pid > 0) ::waitpid(pid, &status, 0);
  return {figures[0], figures[1]};
}

long long FolderBytes(const fs::path& folder) {
  long long total = 0;
  for (const auto& e : fs::directory_iterator(folder)) {
    if (e.is_regular_file() && e.path().filename() != "palmSynclog.txt") total += e.file_size();
  }
  return total;
}

void Report(benchmark::State& state, const Workspace& ws, const std::function<void()>& fn) {
  auto [peak, rise] = PeakMemoryKb(fn);
  state.counters["peak_rss_kb"] = static_cast<double>(peak);
  state.counters["rss_rise_kb"] = static_cast<double>(rise);
  state.counters["bytes_out"] = static_cast<double>(FolderBytes(ws.exchange()));
}

void BM_CopyPdbBytes(benchmark::State& state) {
  Workspace ws;
  Report(state, ws, [&] { CopyDatabases(ws); });
  for (auto _ : state) CopyDatabases(ws);
}
BENCHMARK(BM_CopyPdbBytes)->Unit(benchmark::kMillisecond);

void BM_ImportPhase(benchmark::State& state) {
  Workspace ws;
  Report(state, ws, [&] { RunImport(ws); });
  for (auto _ : state) RunImport(ws);
}
BENCHMARK(BM_ImportPhase)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();
