#pragma once

#include <string>

#include "support/text_file.h"

namespace corvane {

// Lines for one exchange file, gathered and handed to the checked file in
// large pieces: one write per line would cost a system call per flight.
class ExchangeLines {
 public:
  explicit ExchangeLines(const std::string& path) : file_(path, OutputFile::Mode::kTruncate) {}

  // Appends text and CR LF.
  void AddLine(const std::string& text) {
    pending_ += text;
    pending_ += "\r\n";
    if (pending_.size() >= kChunk) WritePending();
  }
  // Writes what is left and closes; raises ConduitError when either fails.
  void Close() {
    WritePending();
    file_.Close();
  }
  // On an error path: keeps the lines gathered so far in the file if it can.
  void SaveWhatIsLeft() noexcept {
    try {
      WritePending();
    } catch (const std::exception&) {
      pending_.clear();
    }
  }

 private:
  static constexpr size_t kChunk = 64 * 1024;

  void WritePending() {
    std::string out;
    out.swap(pending_);
    file_.Write(out);
  }

  OutputFile file_;
  std::string pending_;
};

}  // namespace corvane
