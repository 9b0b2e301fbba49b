#pragma once

#include <optional>
#include <string>
#include <vector>

namespace corvane {

// The running processes, as the PC application detection sees them: the
// executable name of every process at one moment.
class ProcessList {
 public:
  virtual ~ProcessList() = default;

  // The names in the platform's order; nothing when no snapshot could be taken.
  virtual std::optional<std::vector<std::string>> Snapshot() const = 0;
};

}  // namespace corvane
