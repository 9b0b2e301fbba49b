#pragma once

#include <cstdint>
#include <string>

#include "support/frm_main.h"

namespace corvane {

inline constexpr const char* kLogFileName = "palmSynclog.txt";

// Where a log line goes; the values are those the log calls have always
// passed.
enum class LogTo : int16_t {
  kListAndFile = 0,  // lbLog and the log file
  kFileOnly = 1,
};

// Logs s when verboseLevel passes frm.currentVerboseLevel: into lbLog for
// kListAndFile, always into the log file with a timestamp; then lets pending
// window events run, so a timer tick or a click may run inside any log call.
void WriteLog(FrmMain& frm, const std::string& s, LogTo dest, int16_t verboseLevel);

// WriteLog to the list and the file: what nearly every log line does.
inline void Log(FrmMain& frm, const std::string& s, int16_t verboseLevel) {
  WriteLog(frm, s, LogTo::kListAndFile, verboseLevel);
}

// A log file line: the local date and time, " | " and the message.
std::string LogLine(const FrmMain& frm, const std::string& message);

// Appends one line and CR LF to the log file, opening and closing it for the
// line. A failure gives false; the first one of the run is shown in a message
// box, later ones are not, so that an unwritable log never asks for a click
// per line.
bool AppendLogLine(FrmMain& frm, const std::string& line);

// logFolder + "\palmSynclog.txt"; appPath stands in for an empty logFolder.
std::string LogFilePath(const FrmMain& frm);

}  // namespace corvane
