#include "control/handshake.h"

#include "control/verbose_level.h"
#include "exchange/exchange_files.h"
#include "exchange/exchange_path.h"
#include "exchange/small_file.h"
#include "support/atomic_file.h"
#include "support/conduit_error.h"
#include "support/conduit_log.h"
#include "support/text_file.h"

namespace corvane {
namespace {

struct ReaderTexts {
  const char* no_file;
  const char* empty_file;
  const char* reading;
};

// The common reader, with its trace; returns the trimmed, lower-cased content
// and the file's size.
std::string ReadTraced(FrmMain& frm, const std::string& path, const ReaderTexts& texts,
                       long long& size) {
  size = FileSize(path);
  if (size < 0 || !RegularFileExists(path)) {
    size = -1;  // a folder's size is no content to report
    Log(frm, texts.no_file, 20);
    return "";
  }
  if (size == 0) {
    Log(frm, texts.empty_file, 20);
    return "";
  }
  Log(frm, texts.reading, 20);
  return SmallFileText(ReadSmallFile(path));
}

}  // namespace

std::string StatusFilePath(const FrmMain& frm) {
  return ExchangeFile(frm.syncPath, kStatusFileName);
}

std::string GetFileContent(FrmMain& frm, const std::string& path) {
  Log(frm, "GFC:reading status from " + path, 20);
  try {
    long long size = 0;
    std::string content =
        ReadTraced(frm, ResolveExchangeFile(path),
                   {"GFC:no file", "GFC:empty file", "GFC:reading content from file"}, size);
    if (size <= 0) return "";
    Log(frm, "GFC:ContentLength=" + std::to_string(size), 20);
    Log(frm, "GFC:Content=" + content, 50);
    return content;
  } catch (const std::exception& e) {
    Log(frm, ErrorText(e), 5);
    return "";
  }
}

std::string GetFlagStatus(FrmMain& frm) {
  Log(frm, "GFS:reading status from flag file", 20);
  try {
    long long size = 0;
    std::string status = ReadTraced(
        frm, StatusFilePath(frm),
        {"GFS:no flag file", "GFS:empty flag file", "GFS:reading status from file"}, size);
    if (size <= 0) return "";
    Log(frm, "GFS:status=" + status, 20);
    return status;
  } catch (const std::exception& e) {
    Log(frm, ErrorText(e), 5);
    return "";
  }
}

void ReplaceFlagStatus(FrmMain& frm, const std::string& status) {
  const std::string path = StatusFilePath(frm);
  try {
    WriteFileAtomically(path, status);
  } catch (const ConduitError& replace_failure) {
    try {
      OverwriteInPlace(path, status);
    } catch (const ConduitError&) {
      // The replace's error is the one to show: it says why the folder
      // cannot take a new file (a full disk, no permission).
      throw replace_failure;
    }
    Log(frm, "status.flag written in place: " + replace_failure.Text(), 5);
  }
}

bool WriteFlagStatus(FrmMain& frm, const std::string& status) {
  try {
    ReplaceFlagStatus(frm, status);
    return true;
  } catch (const std::exception& e) {
    Log(frm, ErrorText(e), 5);
    return false;
  }
}

void UpdateFlagStatus(FrmMain& frm, const std::string& newStatus) {
  if (newStatus != frm.lastStatus) {
    Log(frm, "FLAG status changed from '" + frm.lastStatus + "' to '" + newStatus + "'", 5);
    frm.statusChanged = true;
    frm.lastStatus = newStatus;
  } else {
    frm.statusChanged = false;
  }
}

void CheckStatusChange(FrmMain& frm) {
  UpdateFlagStatus(frm, GetFlagStatus(frm));
}

int16_t LoadVerboseLevel(FrmMain& frm, int16_t current) {
  Log(frm, "loading verbose level option", 5);
  try {
    int16_t level =
        ParseVerboseLevel(GetFileContent(frm, JoinPath(frm.syncPath, kVerboseFileName)));
    Log(frm, "new value is - " + std::to_string(level), 5);
    return level;
  } catch (const std::exception& e) {
    Log(frm, ErrorText(e), 5);
    Log(frm, "kept same value - " + std::to_string(current), 5);
    return current;
  }
}

}  // namespace corvane
