#include "support/conduit_log.h"

#include "support/conduit_error.h"
#include "support/date_text.h"
#include "support/join_path.h"
#include "support/text_file.h"

namespace corvane {

std::string LogFilePath(const FrmMain& frm) {
  const std::string& folder = frm.logFolder.empty() ? frm.appPath : frm.logFolder;
  return JoinPath(folder, std::string("\\") + kLogFileName);
}

void WriteLog(FrmMain& frm, const std::string& s, LogTo dest, int16_t verboseLevel) {
  if (frm.currentVerboseLevel < verboseLevel) return;
  if (dest == LogTo::kListAndFile) frm.window.AddLogItem(s);
  AppendLogLine(frm, LogLine(frm, s));
  frm.window.ProcessPendingEvents();
}

std::string LogLine(const FrmMain& frm, const std::string& message) {
  return ODBCDateTime(Value::DateTime(frm.clock.Now())) + " | " + message;
}

bool AppendLogLine(FrmMain& frm, const std::string& line) {
  try {
    OutputFile file(LogFilePath(frm), OutputFile::Mode::kAppend);
    file.Write(line + "\r\n");
    file.Close();
    return true;
  } catch (const std::exception& e) {
    if (!frm.logFailureShown) {
      frm.logFailureShown = true;
      frm.window.ShowMessage(ErrorText(e), kApplicationTitle, MessageButtons::kOk);
    }
    return false;
  }
}

}  // namespace corvane
