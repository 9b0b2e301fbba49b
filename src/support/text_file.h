#pragma once

#include <string>

#include "support/file_open.h"
#include "support/system.h"

namespace corvane {

// A file written through a checked descriptor: every write and the close are
// verified, and a failure raises ConduitError with errno, so that a short
// file is never taken for a whole one. Opened as OpenFileToWrite opens: a
// symbolic link of that name is replaced, never written through, and only a
// regular file is written.
class OutputFile {
 public:
  enum class Mode { kTruncate, kAppend };

  OutputFile(const std::string& path, Mode mode);
  // The destructor closes without checking; call Close() on the success path.
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  void Write(const std::string& bytes);
  void Close();
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  sys::Fd fd_;
};

// Writes the whole content, replacing the file.
void WriteWholeFile(const std::string& path, const std::string& bytes);
// Writes bytes into an existing file without replacing it: from offset 0,
// then cut to their length and synced, every step checked. Needs no new
// file and, for a content no larger than the file's block, no new block:
// what still works on a full disk or in a folder that cannot be written.
// Raises ConduitError (errno); a missing file is not created.
void OverwriteInPlace(const std::string& path, const std::string& bytes);
// The whole content of a regular file, opened without waiting (a FIFO is
// refused); raises ConduitError on any failure.
std::string ReadWholeFile(const std::string& path, Links links = Links::kFollow);
// True when path names an existing regular file.
bool RegularFileExists(const std::string& path);
// Size of a regular file, or -1 when it does not exist.
long long FileSize(const std::string& path);

}  // namespace corvane
