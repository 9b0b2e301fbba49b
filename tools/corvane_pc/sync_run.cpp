#include "corvane_pc/sync_run.h"

#include <exception>
#include <filesystem>
#include <map>
#include <memory>

#include "corvane_pc/conduit_process.h"
#include "corvane_pc/handshake.h"
#include "corvane_pc/logbook.h"
#include "corvane_pc/pick_lists.h"
#include "corvane_pc/reports.h"
#include "corvane_pc/schema.h"
#include "corvane_pc/staging.h"
#include "exchange/exchange_files.h"
#include "exchange/exchange_path.h"
#include "exchange/stage_texts.h"
#include "platform/executable_folder.h"
#include "platform/log_folder.h"
#include "platform/settings_file.h"
#include "support/atomic_file.h"
#include "support/conduit_error.h"
#include "support/conduit_log.h"
#include "support/mod_reg.h"
#include "support/text_file.h"

namespace corvane::pc {
namespace {

constexpr const char* kSchemaFile = "schema.txt";

std::string ReadIfPresent(const std::string& path) {
  return RegularFileExists(path) ? ReadWholeFile(path) : "";
}

// What the PC side prepared while the conduit waited.
struct Prepared {
  size_t imported = 0;
  std::vector<CsvRow> added;
  CsvRow header;
  std::map<const char*, std::vector<std::string>> lists;  // by file name
  std::vector<Report> reports;
};

class Run {
 public:
  Run(const Options& options, std::ostream& out, std::ostream& err)
      : o_(options), out_(out), err_(err) {}

  int Go();

 private:
  std::string Beside(const std::string& given, const char* name) const {
    return given.empty() ? ExecutableFolder() + "/" + name : given;
  }
  int Fail(const std::string& message);
  bool HandheldMayBeCleared();
  bool Await(const char* stage, const char* error_stage);
  // The conduit keeps its log beside itself, or per user when it may not.
  std::string ConduitLog() const {
    return LogFolder(std::filesystem::path(conduit_).parent_path().string()) + "/" + kLogFileName;
  }
  Prepared Prepare();
  void Summary(const Prepared& p, size_t committed);

  const Options& o_;
  std::ostream& out_;
  std::ostream& err_;
  std::string exchange_;  // absolute, with a trailing '/'
  std::string conduit_;
  std::vector<SchemaField> schema_;
  std::unique_ptr<ConduitProcess> process_;
};

// Whether the conduit may have cleared the handheld's flights: it does so
// only after writing "stage4 alldone", and nothing tells what a conduit did
// after its launcher was killed. Ends the conduit's process group first, so
// that the answer cannot change afterwards.
bool Run::HandheldMayBeCleared() {
  if (!process_) return false;
  const bool orphaned = process_->Poll() && process_->ended_by_signal();
  process_->Stop();
  return orphaned || ReadStage(exchange_) == kStage4;
}

int Run::Fail(const std::string& message) {
  err_ << "corvane-pc: " << message << "\n";
  const bool keep_pending = HandheldMayBeCleared();
  try {
    if (keep_pending && RegularFileExists(PendingPath(o_.logbook))) {
      err_ << "corvane-pc: the handheld may have cleared its flights; the new ones wait in "
           << PendingPath(o_.logbook) << " and go into the logbook at the next run.\n";
    } else {
      DiscardPending(o_.logbook);
    }
  } catch (const std::exception& e) {
    err_ << "corvane-pc: " << ErrorText(e) << "\n";
  }
  err_ << "corvane-pc: synchronisation failed; the logbook " << o_.logbook
       << " is as it was before this run.\n";
  if (!conduit_.empty()) {
    err_ << "corvane-pc: the conduit's log: " << ConduitLog() << "\n";
  }
  return 1;
}

bool Run::Await(const char* stage, const char* error_stage) {
  WaitResult r = WaitForStage(exchange_, stage, error_stage, *process_, o_.timeout);
  std::string message;
  switch (r.outcome) {
    case Outcome::kReached:
      return true;
    case Outcome::kConduitFailed:
      message = std::string("the conduit reported \"") + error_stage + "\": it could not " +
                (std::string(error_stage) == kStage1Error ? "read the handheld"
                                                          : "write to the handheld");
      break;
    case Outcome::kConduitEnded:
      message =
          (process_->ended_by_signal()
               ? "the HotSync launcher was killed (signal " + std::to_string(*r.status - 128) + ")"
               : "the conduit ended with status " + std::to_string(*r.status)) +
          " before \"" + stage + "\" (status.flag reads '" + r.seen + "')";
      break;
    case Outcome::kTimedOut:
      message = "no \"" + std::string(stage) + "\" from the conduit within " +
                std::to_string(static_cast<long>(o_.timeout)) + " s (status.flag reads '" + r.seen +
                "')";
      break;
    case Outcome::kInterrupted:
      message = "interrupted while waiting for \"" + std::string(stage) + "\"";
      break;
  }
  throw ConduitError(err::kUnexpected, message);
}

Prepared Run::Prepare() {
  Prepared p;
  // Flights: only staged here; the logbook itself changes after the conduit's end.
  std::vector<Flight> flights =
      ParseFlights(ReadIfPresent(ExchangeFile(exchange_, kFlightsFileName)));
  p.imported = flights.size();
  Logbook book = ReadLogbook(o_.logbook);
  p.added = AddFlights(book, flights);
  p.header = book.header;

  for (const ListFile& f : kListFiles) {
    std::vector<std::string> own = ParseList(f.kind, ReadIfPresent(JoinPath(o_.data, f.name)));
    std::string received_path = ExchangeFile(exchange_, f.name);
    std::vector<std::string> received = ParseList(f.kind, ReadIfPresent(received_path));
    p.lists[f.name] = MergeList(f.kind, own, received);
    WriteFileAtomically(received_path, ListText(p.lists[f.name]));
  }
  WriteWholeFile(ExchangeFile(exchange_, kSchemaFileName), SchemaText(schema_));
  p.reports = BuildReports(book, schema_);
  WriteReports(JoinPath(exchange_, kReportsFolderName), p.reports);
  StageFlights(o_.logbook, p.header, p.added);
  return p;
}

void Run::Summary(const Prepared& p, size_t committed) {
  out_ << "corvane-pc: synchronisation complete\n";
  out_ << "  flights from the handheld: " << p.imported << ", new in the logbook: " << committed
       << " (" << ReadLogbook(o_.logbook).rows.size() << " flights in " << o_.logbook << ")\n";
  out_ << "  list entries sent to the handheld:";
  for (const ListFile& f : kListFiles) {
    out_ << " " << p.lists.at(f.name).size() << " " << f.title
         << (f.kind == ListKind::kSimulator ? "\n" : ",");
  }
  out_ << "  reports sent to the handheld:";
  for (size_t i = 0; i < p.reports.size(); ++i) {
    const Report& r = p.reports[i];
    size_t records = HandheldRecords(r);
    out_ << (i ? ", " : " ") << r.file_name << " (" << r.text.size() << " bytes"
         << (records > 1 ? ", " + std::to_string(records) + " parts" : "") << ")";
  }
  out_ << "\n  conduit log: " << ConduitLog() << " (copy in " << exchange_ << "palmSynclog.txt)\n";
}

int Run::Go() {
  try {
    // Everything that can be checked before the handheld is touched.
    schema_ = ParseSchema(ReadWholeFile(JoinPath(o_.data, kSchemaFile)));
    if (schema_.empty()) throw ConduitError(err::kDamagedExchangeFile, "the schema is empty");
    ReadLogbook(o_.logbook);
    std::filesystem::create_directories(o_.exchange);
    exchange_ = std::filesystem::absolute(o_.exchange).lexically_normal().string();
    if (exchange_.back() != '/') exchange_ += '/';
    conduit_ = std::filesystem::absolute(Beside(o_.conduit, "CorvaneConduit")).string();
    const std::string hotsync = Beside(o_.hotsync, "hotsync");
    // An earlier run that ended after the handheld cleared its flights.
    if (size_t recovered = CommitPending(o_.logbook)) {
      out_ << "corvane-pc: " << recovered << " flights of an unfinished run went into "
           << o_.logbook << "\n";
    }

    SettingsFile settings;
    WriteRegString(settings, kHKeyCurrentUser, kCorvaneKeyPath, kPalmSyncPath, exchange_);
    if (ReadRegString(settings, kHKeyCurrentUser, kCorvaneKeyPath, kPalmSyncPath) != exchange_) {
      throw ConduitError(err::kUnexpected, "cannot store PalmSyncPath in the settings");
    }
    CatchInterrupts();
    WriteStage(exchange_, kStage1);
    process_ = std::make_unique<ConduitProcess>(hotsync, o_.connection, o_.handheld, conduit_,
                                                o_.answer_timeout);
    Await(kStage2, kStage1Error);
    Prepared prepared = Prepare();
    WriteStage(exchange_, kStage3);
    Await(kStage4, kStage3Error);

    // The conduit clears the handheld's flights now: from here on the
    // pending flights are the only copy until they are committed.
    std::optional<int> status = process_->Wait(o_.timeout);
    if (status != 0) {
      return Fail(status ? "the conduit ended with status " + std::to_string(*status) +
                               " after \"stage4 alldone\""
                         : "the conduit did not end within " +
                               std::to_string(static_cast<long>(o_.timeout)) +
                               " s after \"stage4 alldone\"");
    }
    size_t committed = CommitPending(o_.logbook);
    for (const ListFile& f : kListFiles) {
      std::filesystem::create_directories(o_.data);
      WriteFileAtomically(JoinPath(o_.data, f.name), ListText(prepared.lists[f.name]));
    }
    Summary(prepared, committed);
    return 0;
  } catch (const std::exception& e) {
    return Fail(ErrorDescription(e));
  }
}

}  // namespace

int RunSynchronisation(const Options& options, std::ostream& out, std::ostream& err) {
  return Run(options, out, err).Go();
}

}  // namespace corvane::pc
