#pragma once

#include <memory>
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

// The processes of this machine, read from proc_root (process_list_linux.cpp).
std::unique_ptr<ProcessList> MakeSystemProcessList(const std::string& proc_root = "/proc");

// A process's name from its /proc files: argv[0] without any Unix folder
// (the text after the last '/'), or comm when the command line is empty. A
// program under Wine keeps its Windows path, backslashes and all.
std::string ProcessNameFrom(const std::string& cmdline, const std::string& comm);

}  // namespace corvane
