#include "import/cache_import.h"

#include <array>
#include <memory>
#include <optional>

#include "exchange/exchange_files.h"
#include "exchange/exchange_lines.h"
#include "exchange/exchange_path.h"
#include "handheld/database_names.h"
#include "handheld/sync_library.h"
#include "support/conduit_error.h"
#include "support/conduit_log.h"
#include "support/text_ops.h"
#include "support/transfer_error.h"

namespace corvane {
bool PDAtoPC_CorvaneCache(FrmMain& frm, HotSyncLink& link) {
  std::array<std::optional<ExchangeLines>, 4> files;
  try {
    for (size_t i = 0; i < kPickListFiles.size(); ++i) {
      Log(frm, "open " + frm.syncPath + kPickListFiles[i].logged_as + " for rewriting", 5);
      files[i].emplace(ExchangeFile(frm.syncPath, kPickListFiles[i].written_as));
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
          std::string line = type == kRegistrationType ? value + "|" + depValue : value;
          Log(frm, std::string("writing to ") + kPickListFiles[type - 1].logged_as + ": " + line,
              5);
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
