#include <dirent.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "platform/system_process_list.h"
#include "support/conduit_error.h"
#include "support/text_file.h"

namespace corvane {

namespace {

bool IsPid(const char* name) {
  if (!*name) return false;
  for (const char* p = name; *p; ++p) {
    if (*p < '0' || *p > '9') return false;
  }
  return true;
}

class ProcProcessList : public ProcessList {
 public:
  ProcProcessList(std::string root, ProcFileReader reader)
      : root_(std::move(root)), read_(std::move(reader)) {}

  std::optional<std::vector<std::string>> Snapshot() const override {
    DIR* dir = ::opendir(root_.c_str());
    if (!dir) return std::nullopt;
    std::vector<long> pids;
    while (const dirent* entry = ::readdir(dir)) {
      if (IsPid(entry->d_name)) pids.push_back(std::strtol(entry->d_name, nullptr, 10));
    }
    ::closedir(dir);
    std::sort(pids.begin(), pids.end());

    std::vector<std::string> names;
    names.reserve(pids.size());
    for (long pid : pids) {
      std::optional<std::string> name = NameOf(root_ + "/" + std::to_string(pid));
      if (name && !name->empty()) names.push_back(std::move(*name));
    }
    return names;
  }

 private:
  // Nothing when a file cannot be read: the process ended since the folder
  // was listed (ESRCH, ENOENT), or is not ours to see (EACCES, EIO); either
  // way it is simply not in the snapshot.
  std::optional<std::string> NameOf(const std::string& folder) const {
    try {
      const std::string cmdline = read_(folder + "/cmdline");
      // comm is only needed when there is no command line.
      if (!cmdline.empty() && cmdline[0] != '\0') return ProcessNameFrom(cmdline, "");
      return ProcessNameFrom(cmdline, read_(folder + "/comm"));
    } catch (const ConduitError&) {
      return std::nullopt;
    }
  }

  std::string root_;
  ProcFileReader read_;
};

}  // namespace

std::unique_ptr<ProcessList> MakeSystemProcessList(const std::string& proc_root,
                                                   ProcFileReader reader) {
  return std::make_unique<ProcProcessList>(
      proc_root, reader ? std::move(reader) : ProcFileReader([](const std::string& path) {
        return ReadWholeFile(path);
      }));
}

std::string ProcessNameFrom(const std::string& cmdline, const std::string& comm) {
  std::string argv0 = cmdline.substr(0, cmdline.find('\0'));
  if (argv0.empty()) {
    std::string name = comm;
    while (!name.empty() && name.back() == '\n') name.pop_back();
    return name;
  }
  size_t slash = argv0.rfind('/');
  return slash == std::string::npos ? argv0 : argv0.substr(slash + 1);
}

}  // namespace corvane
