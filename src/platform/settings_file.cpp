#include "platform/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/ini_format.h"
#include "platform/user_folders.h"
#include "support/atomic_file.h"
#include "support/conduit_error.h"
#include "support/file_open.h"
#include "support/text_file.h"
#include "support/system.h"
#include "support/text_ops.h"

namespace corvane {

namespace {

// ---- Files ----

// The store never reports errors: a file that cannot be read or written is
// a failed call, nothing more.
bool ReadFileIfAny(const std::string& path, std::string& out) {
  try {
    out = ReadWholeFile(path);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool ReplaceFile(const std::string& path, const std::string& content) {
  try {
    WriteFileAtomically(path, content);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

std::string FolderOf(const std::string& file) {
  return file.substr(0, file.rfind('/'));
}

}  // namespace

std::string DefaultConfigHome() {
  return XdgFolder("XDG_CONFIG_HOME", ".config");
}

SettingsFile::SettingsFile(std::string config_home) : config_home_(std::move(config_home)) {}

std::string SettingsFile::ConfigHome() const {
  return config_home_ ? *config_home_ : DefaultConfigHome();
}

std::optional<std::string> SettingsFile::FileFor(RootKey root, const std::string& path) const {
  if (root != kHKeyCurrentUser) return std::nullopt;
  static const std::string kSoftware = "software\\";
  if (path.size() <= kSoftware.size() ||
      ToLowerAscii(path.substr(0, kSoftware.size() - 1)) != "software" ||
      path[kSoftware.size() - 1] != '\\') {
    return std::nullopt;
  }
  std::string rest = path.substr(kSoftware.size());
  while (!rest.empty() && rest.back() == '\\') rest.pop_back();
  size_t sep = rest.find('\\');
  if (sep == std::string::npos) return std::nullopt;
  std::string org = rest.substr(0, sep);
  std::string app = rest.substr(sep + 1);
  for (const std::string* part : {&org, &app}) {
    if (part->empty() || *part == "." || *part == ".." ||
        part->find_first_of("/\\") != std::string::npos) {
      return std::nullopt;  // sub-keys and names that are no file names have no file
    }
  }
  return ConfigHome() + "/" + org + "/" + app + ".conf";
}

bool SettingsFile::OpenKey(RootKey root, const std::string& path) {
  auto file = FileFor(root, path);
  if (!file) return false;
  struct stat st;
  if (::stat(file->c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  // Writing replaces the file, which needs the folder as well as the file.
  return ::access(file->c_str(), R_OK | W_OK) == 0 &&
         ::access(FolderOf(*file).c_str(), W_OK | X_OK) == 0;
}

bool SettingsFile::CreateKey(RootKey root, const std::string& path) {
  auto file = FileFor(root, path);
  if (!file) return false;
  if (!MakeFolders(FolderOf(*file), 0700)) return false;
  // Never waits for a reader of a FIFO there; only a regular file is a key.
  bool ok = false;
  try {
    sys::Fd fd = sys::Open(*file, O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY, 0600);
    ok = S_ISREG(sys::FStat(fd, *file).st_mode);
    if (ok) sys::FSync(fd, *file);
    fd.Close(*file);
  } catch (const ConduitError&) {
    return false;
  }
  try {
    SyncFolder(FolderOf(*file));
  } catch (const std::exception&) {
    // The key exists; only its durability is in doubt.
  }
  return ok && OpenKey(root, path);
}

std::optional<std::string> SettingsFile::QueryValue(RootKey root, const std::string& path,
                                                    const std::string& name) {
  auto file = FileFor(root, path);
  std::string data;
  if (!file || !ReadFileIfAny(*file, data)) return std::nullopt;
  std::optional<std::string> value = IniValue(data, name);
  if (value) value->push_back('\0');
  return value;
}

bool SettingsFile::SetValue(RootKey root, const std::string& path, const std::string& name,
                            const std::string& data) {
  auto file = FileFor(root, path);
  if (!file) return false;
  std::string content;
  if (!ReadFileIfAny(*file, content)) {
    if (::access(file->c_str(), F_OK) == 0) return false;  // there, but unreadable
    content.clear();
  }
  // A string's data ends with its terminating zero, which the file does not keep.
  std::string text = data;
  if (!text.empty() && text.back() == '\0') text.pop_back();
  return ReplaceFile(*file, IniWithValue(content, name, text));
}

std::string SettingsFile::Problem(RootKey root, const std::string& path) const {
  auto file = FileFor(root, path);
  if (!file) return "";
  const std::string folder = FolderOf(*file);
  struct stat st;
  if (::stat(file->c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    return "Settings not used: " + *file + " is " + FileKind(st.st_mode) + ", not a regular file";
  }
  int e = 0;
  if (::stat(folder.c_str(), &st) != 0) {
    e = errno;
  } else if (!S_ISDIR(st.st_mode)) {
    e = ENOTDIR;
  } else if (::access(folder.c_str(), W_OK | X_OK) != 0) {
    e = errno;
  }
  if (e != 0) {
    return "Settings not used: the folder " + folder + " cannot be written (" + std::strerror(e) +
           ")";
  }
  if (::access(file->c_str(), R_OK | W_OK) != 0) {
    return "Settings not used: " + *file + " cannot be read and written (" + std::strerror(errno) +
           ")";
  }
  return "";
}

}  // namespace corvane
