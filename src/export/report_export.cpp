#include "export/report_export.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/exchange_files.h"
#include "exchange/exchange_path.h"
#include "export/report_pieces.h"
#include "handheld/database_names.h"
#include "handheld/sync_library.h"
#include "support/conduit_error.h"
#include "support/conduit_log.h"
#include "support/text_file.h"
#include "support/text_ops.h"
#include "support/transfer_error.h"

namespace corvane {
namespace {

constexpr const char* kErrorTitle = "PC2PDACorvaneReports Error!!";
constexpr int32_t kUsingSize = 10240;
constexpr size_t kRecordSize = kUsingSize + 1;
// Room a part record keeps for its header, footer and name.
constexpr int32_t kPartFrame = 200;
constexpr std::string_view kRule = "======================";
// The file index and count are 16-bit.
constexpr size_t kMaxFiles = 32767;

// Windows file systems list a folder by name with letter case ignored;
// names that differ only in case go in byte order.
bool ListedBefore(const std::string& a, const std::string& b) {
  const int folded = CompareIgnoringCase(a, b);
  return folded != 0 ? folded < 0 : a < b;
}

// The reports of a folder: the names of its regular files in the order a
// Windows file system lists them (the same reports in the same order on
// every machine, whatever order this file system keeps), and the symbolic
// links among its entries. A report is a file of the exchange folder: a link
// could lead to any readable file of the machine, so links are left out.
struct ReportFiles {
  std::vector<std::string> names;
  std::vector<std::string> links;
};

ReportFiles ListReportFiles(const std::string& folder) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
  if (!dir) throw ConduitError::FromErrno(errno, folder);
  ReportFiles files;
  for (;;) {
    errno = 0;
    dirent* entry = ::readdir(dir.get());
    if (!entry) break;
    std::string name = entry->d_name;
    struct stat st;
    if (name == "." || name == ".." || ::lstat(JoinPath(folder, name).c_str(), &st) != 0) continue;
    if (S_ISREG(st.st_mode)) files.names.push_back(std::move(name));
    if (S_ISLNK(st.st_mode)) files.links.push_back(std::move(name));
  }
  if (errno != 0) throw ConduitError::FromErrno(errno, folder);
  std::sort(files.names.begin(), files.names.end(), ListedBefore);
  std::sort(files.links.begin(), files.links.end(), ListedBefore);
  return files;
}

// Each record is added through a freshly opened database, released at once.
void AddReportRecord(FrmMain& frm, HotSyncLink& link, const Bytes& vdata) {
  Log(frm, "writing the pc record onto Handheld database.", 5);
  PDRecordAdapter db =
      PDDatabaseOpener(link).OpenDatabase(kReportsDatabase, kRecordAdapterClass, kOpenReadWrite);
  int32_t id = 0;
  db.AddRecord(id, 0, 0, vdata);
}

// The buffer is fixed: a text that would not fit makes TextToBytes raise
// err::kBufferOverrun instead of writing past it.
void WriteSingleRecord(FrmMain& frm, HotSyncLink& link, const std::string& text,
                       const std::string& rName) {
  Bytes vdata(kRecordSize, 0);
  PDByteConverter converter;
  Log(frm, "storing Report data in vdata variable.", 5);
  int32_t offset = converter.TextToBytes(vdata, 0, text);
  Log(frm, "storing Report name in vdata variable.", 5);
  converter.TextToBytes(vdata, offset, rName);
  AddReportRecord(frm, link, vdata);
}

std::string PartText(int32_t n, const std::string& rName, std::string_view piece) {
  std::string part;
  part.reserve(piece.size() + rName.size() + 2 * kRule.size() + 40);
  part += "part ";
  part += std::to_string(n);
  part += " of ";
  part += rName;
  part += "\r\n";
  part += kRule;
  part += "\r\n";
  part += piece;
  part += kRule;
  part += "\r\n";
  part += "end of part";
  return part;
}

void WriteParts(FrmMain& frm, HotSyncLink& link, std::string& text, const std::string& rName) {
  Log(frm, "Splitting file", 5);
  text += "\r\n";
  const int32_t splitSize = kUsingSize - static_cast<int32_t>(rName.size()) - kPartFrame;
  Log(frm, "Split size: " + std::to_string(splitSize), 5);
  // A report that cannot fit is refused before its first part is added: two
  // characters a part, a long line would otherwise fill the database.
  const size_t left =
      static_cast<size_t>(PDDatabaseOpener(link)
                              .OpenDatabase(kReportsDatabase, kRecordAdapterClass, kOpenReadWrite)
                              .RecordsLeft());
  const size_t parts = CountReportPieces(text, splitSize);
  if (parts > left) {
    throw ConduitError(err::kBadArgument, "Report " + rName + " needs " + std::to_string(parts) +
                                              " parts, but " + kReportsDatabase + " has room for " +
                                              std::to_string(left) + " more records");
  }
  PDByteConverter converter;
  ReportPieces pieces(text, splitSize);
  for (int32_t n = 1; !pieces.Done(); ++n) {
    const std::string part = PartText(n, rName, pieces.Next());
    Bytes vdata(kRecordSize, 0);
    Log(frm, "storing Report PART " + std::to_string(n) + " data in vdata variable.", 5);
    Log(frm, "PART " + std::to_string(n) + " size:" + std::to_string(part.size()), 5);
    int32_t offset = converter.TextToBytes(vdata, 0, part);
    Log(frm, "823 storing Report name in vdata variable.", 5);
    converter.TextToBytes(vdata, offset, rName + "[" + std::to_string(n) + "]");
    AddReportRecord(frm, link, vdata);
  }
}

void ExportReport(FrmMain& frm, HotSyncLink& link, const std::string& folder,
                  const std::string& name) {
  Log(frm, "Open text file to read (" + name + ") .", 5);
  if (name.size() < 4) {
    throw ConduitError(err::kInvalidProcedureCall, "Invalid procedure call or argument");
  }
  const std::string rName = name.substr(0, name.size() - 4);
  Log(frm, "Read report data in string variable.", 5);
  // A zero-length file is an empty report.
  // Not through a link that took the file's place since the listing.
  std::string text = ReadWholeFile(JoinPath(folder, name), Links::kRefuse);
  Log(frm, "write all data in vdata variable.", 5);
  const std::string sizes =
      std::to_string(text.size()) + ", RName Size:" + std::to_string(rName.size());
  // The size line twice, the first with its stray "8:51 ", and "823 " below:
  // the texts the log has always had, which its readers know.
  Log(frm, "8:51 Report Size: " + sizes, 5);
  Log(frm, "Report Size: " + sizes, 5);
  const size_t neededSize = rName.size() + text.size() + 4;
  Log(frm, "neededSize: " + std::to_string(neededSize), 5);
  Log(frm, "usingSize: " + std::to_string(kUsingSize), 5);
  if (neededSize <= static_cast<size_t>(kUsingSize)) {
    WriteSingleRecord(frm, link, text, rName);
  } else {
    WriteParts(frm, link, text, rName);
  }
  Log(frm, "Close file", 5);
}

}  // namespace

bool PCtoPDA_CorvaneReport(FrmMain& frm, HotSyncLink& link) {
  try {
    const std::string folder = ExchangeFile(frm.syncPath, kReportsFolderName);
    Log(frm, "Open the handheld Database", 5);
    {
      PDRecordAdapter db = PDDatabaseOpener(link).OpenDatabase(kReportsDatabase,
                                                               kRecordAdapterClass, kOpenReadWrite);
      if (db.RecordTotal() > 0) db.ClearRecords(0, 255);
    }
    const ReportFiles files = ListReportFiles(folder);
    for (const std::string& link_name : files.links) {
      Log(frm, "Left out of the reports: " + link_name + " is a symbolic link", 1);
    }
    const std::vector<std::string>& names = files.names;
    if (names.size() > kMaxFiles) throw ConduitError(err::kOverflow, "Overflow");
    const std::string count = std::to_string(names.size());
    Log(frm, "Processing " + count + " files", 1);
    for (size_t i = 0; i < names.size(); ++i) {
      ExportReport(frm, link, folder, names[i]);
      Log(frm, std::to_string(i + 1) + "/" + count + " DONE", 1);
    }
    return true;
  } catch (const std::exception& e) {
    ReportTransferError(frm, ErrorText(e), kErrorTitle);
    return false;
  }
}

}  // namespace corvane
