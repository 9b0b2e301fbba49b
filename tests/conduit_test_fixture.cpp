#include "conduit_test_fixture.h"

#include <filesystem>

#include "log_messages.h"
#include "support/text_ops.h"

namespace corvane::testing {

std::vector<std::string> LogMessagesOf(const std::string& log_file) {
  std::vector<std::string> messages;
  if (!std::filesystem::exists(log_file)) return messages;
  for (const std::string& line : SplitText(ReadFileBytes(log_file), "\r\n")) {
    if (line.empty()) continue;
    auto bar = line.find(" | ");
    messages.push_back(bar == std::string::npos ? line : line.substr(bar + 3));
  }
  return messages;
}

std::vector<std::string> ConduitTest::LogMessages() const {
  return LogMessagesOf(LogFile());
}

}  // namespace corvane::testing
