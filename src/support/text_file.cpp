#include "support/text_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "support/conduit_error.h"
#include "support/file_open.h"

namespace corvane {

OutputFile::OutputFile(const std::string& path, Mode mode)
    : path_(path),
      fd_(OpenFileToWrite(path,
                          mode == Mode::kAppend ? WriteStart::kAppend : WriteStart::kTruncate)) {}

OutputFile::~OutputFile() {
  if (fd_ >= 0) ::close(fd_);
}

void OutputFile::Write(const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw ConduitError::FromErrno(errno, path_);
    if (n == 0) throw ConduitError::FromErrno(ENOSPC, path_);
    done += static_cast<size_t>(n);
  }
}

void OutputFile::Close() {
  int fd = fd_;
  fd_ = -1;
  if (fd >= 0 && ::close(fd) != 0) throw ConduitError::FromErrno(errno, path_);
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  OutputFile file(path, OutputFile::Mode::kTruncate);
  file.Write(bytes);
  file.Close();
}

void OverwriteInPlace(const std::string& path, const std::string& bytes) {
  const int fd = OpenFileToWrite(path, WriteStart::kInPlace);
  auto fail = [&](int e) {
    ::close(fd);
    throw ConduitError::FromErrno(e, path);
  };
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) fail(errno);
    if (n == 0) fail(ENOSPC);
    done += static_cast<size_t>(n);
  }
  if (::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) fail(errno);
  if (::fsync(fd) != 0) fail(errno);
  if (::close(fd) != 0) throw ConduitError::FromErrno(errno, path);
}

std::string ReadWholeFile(const std::string& path) {
  const int fd = OpenFileToRead(path);
  std::string out;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int e = errno;
      ::close(fd);
      throw ConduitError::FromErrno(e, path);
    }
    if (n == 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
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
