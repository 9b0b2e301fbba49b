#include "support/text_file.h"

#include <sys/stat.h>

#include "support/conduit_error.h"
#include "support/file_open.h"

namespace corvane {

OutputFile::OutputFile(const std::string& path, Mode mode)
    : path_(path),
      fd_(OpenFileToWrite(path,
                          mode == Mode::kAppend ? WriteStart::kAppend : WriteStart::kTruncate)) {}

void OutputFile::Write(const std::string& bytes) {
  sys::WriteAll(fd_, bytes.data(), bytes.size(), path_);
}

void OutputFile::Close() {
  fd_.Close(path_);
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  OutputFile file(path, OutputFile::Mode::kTruncate);
  file.Write(bytes);
  file.Close();
}

void OverwriteInPlace(const std::string& path, const std::string& bytes) {
  sys::Fd fd = OpenFileToWrite(path, WriteStart::kInPlace);
  sys::WriteAllAt(fd, bytes.data(), bytes.size(), 0, path);
  sys::FTruncate(fd, static_cast<off_t>(bytes.size()), path);
  sys::FSync(fd, path);
  fd.Close(path);
}

std::string ReadWholeFile(const std::string& path, Links links) {
  const sys::Fd fd = OpenFileToRead(path, links);
  std::string out;
  char buf[65536];
  while (const size_t n = sys::Read(fd, buf, sizeof buf, path)) out.append(buf, n);
  return out;
}

bool RegularFileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

long long FileSize(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return -1;
  return static_cast<long long>(st.st_size);
}

}  // namespace corvane
