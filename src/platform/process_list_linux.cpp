#include <dirent.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <utility>

#include "platform/system_process_list.h"

namespace corvane {

namespace {

bool ReadSmallFile(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), {});
  return !in.bad();
}

bool IsPid(const char* name) {
  if (!*name) return false;
  for (const char* p = name; *p; ++p) {
    if (*p < '0' || *p > '9') return false;
  }
  return true;
}

class ProcProcessList : public ProcessList {
 public:
  explicit ProcProcessList(std::string root) : root_(std::move(root)) {}

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
      const std::string base = root_ + "/" + std::to_string(pid);
      std::string cmdline, comm;
      bool have_cmdline = ReadSmallFile(base + "/cmdline", cmdline);
      bool have_comm = ReadSmallFile(base + "/comm", comm);
      // A process that ended since the folder was listed is simply not there.
      if (!have_cmdline && !have_comm) continue;
      std::string name = ProcessNameFrom(cmdline, comm);
      if (!name.empty()) names.push_back(std::move(name));
    }
    return names;
  }

 private:
  std::string root_;
};

}  // namespace

std::unique_ptr<ProcessList> MakeSystemProcessList(const std::string& proc_root) {
  return std::make_unique<ProcProcessList>(proc_root);
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
