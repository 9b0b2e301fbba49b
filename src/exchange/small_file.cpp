#include "exchange/small_file.h"

#include "support/conduit_error.h"
#include "support/file_open.h"
#include "support/system.h"
#include "support/text_ops.h"

namespace corvane {

std::string SmallFileText(const std::string& content) {
  return ToLowerAscii(TrimSpaces(content));
}

std::string ReadSmallFile(const std::string& path) {
  const sys::Fd fd = OpenFileToRead(path);
  std::string content(kSmallFileLimit, '\0');
  content.resize(sys::ReadFull(fd, content.data(), content.size(), path));
  return content;
}

std::string ReadStatusText(const std::string& path) {
  try {
    return SmallFileText(ReadSmallFile(path));
  } catch (const ConduitError&) {
    return "";
  }
}

}  // namespace corvane
