#include "conduit_test_fixture.h"

#include <filesystem>

#include "support/text_ops.h"

namespace corvane::testing {

std::vector<std::string> ConduitTest::LogMessages() const {
  std::vector<std::string> messages;
  if (!std::filesystem::exists(LogFile())) return messages;
  std::string content = ReadFileBytes(LogFile());
  for (const std::string& line : SplitText(content, "\r\n")) {
    if (line.empty()) continue;
    auto bar = line.find(" | ");
    messages.push_back(bar == std::string::npos ? line : line.substr(bar + 3));
  }
  return messages;
}

}  // namespace corvane::testing
