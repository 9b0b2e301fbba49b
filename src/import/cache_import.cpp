#include "import/cache_import.h"

#include <array>
#include <memory>
#include <optional>

#include "handheld/sync_library.h"
#include "import/exchange_lines.h"
#include "support/conduit_error.h"
#include "support/conduit_log.h"
#include "support/exchange_path.h"
#include "support/text_ops.h"
#include "support/transfer_error.h"

namespace corvane {
namespace {

constexpr int32_t kMaxTextLength = 32767;

struct ListFile {
  const char* fileName;  // as written in the exchange folder
  const char* logName;   // as named in the log
};

// Indexed by CustDataType - 1.
constexpr std::array<ListFile, 4> kLists = {{
    {"acreg_actype.txt", "acreg_actype.txt"},
    {"airport.txt", "airport.txt"},
    {"PERSON.txt", "person.txt"},
    {"simulator.txt", "simulator.txt"},
}};

void Log(FrmMain& frm, const std::string& text, int16_t level) {
  WriteLog(frm, text, kToListAndFile, level);
}

}  // namespace

bool PDAtoPC_CorvaneCache(FrmMain& frm, HotSyncLink& link) {
  std::array<std::optional<ExchangeLines>, 4> files;
  try {
    for (size_t i = 0; i < kLists.size(); ++i) {
      Log(frm, "open " + frm.syncPath + kLists[i].logName + " for rewriting", 5);
      files[i].emplace(ExchangeFile(frm.syncPath, kLists[i].fileName));
    }

    Log(frm, "Open handheld Database in read-write mode", 5);
    PDRecordAdapter db =
        PDDatabaseOpener(link).OpenDatabase(kCacheDatabase, kRecordAdapterClass, kOpenReadWrite);
    db.SetReadPosition(0);
    if (db.RecordTotal() > 0) {
      PDByteConverter conv;
      Log(frm, "Read first record from the PDB", 5);
      Bytes data = db.ReadNextRecord();
      Log(frm, "processing cache records", 1);
      while (!db.AtEnd()) {
        Log(frm, "extract record values", 5);
        if (data.empty()) throw ConduitError(err::kSubscriptOutOfRange, "Subscript out of range");
        int type = data[0];
        Log(frm, "CustDataType=" + std::to_string(type), 5);
        std::string value, depValue;
        int32_t offset = conv.TextFromBytes(data, 1, kMaxTextLength, value);
        Log(frm, "sCacheValue=" + value, 5);
        conv.TextFromBytes(data, offset, kMaxTextLength, depValue);
        Log(frm, "sDepCacheValue=" + depValue, 5);

        bool blank = TrimSpaces(value).empty() && TrimSpaces(depValue).empty();
        if (!blank && type >= 1 && type <= 4) {
          std::string line = type == 1 ? value + "|" + depValue : value;
          Log(frm, std::string("writing to ") + kLists[type - 1].logName + ": " + line, 5);
          files[type - 1]->AddLine(line);
        }
        Log(frm, "Read next record ", 5);
        data = db.ReadNextRecord();
      }
      Log(frm, "all records processed ", 1);
    }

    for (auto& f : files) f->Close();
    return true;
  } catch (const std::exception& e) {
    for (auto& f : files) {
      if (f) f->SaveWhatIsLeft();
      f.reset();
    }
    ReportTransferError(frm, "PDAtoPC_CorvaneCache: " + ErrorText(e), "PDA2PCCorvaneCache Error!!");
    return false;
  }
}

}  // namespace corvane
