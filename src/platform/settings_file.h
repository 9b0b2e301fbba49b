#pragma once

#include <optional>
#include <string>

#include "support/settings_store.h"

namespace corvane {

// The settings store on Linux: the per-user file
// $XDG_CONFIG_HOME/<Org>/<App>.conf (default ~/.config) for the key
// HKEY_CURRENT_USER\Software\<Org>\<App>\, values in its [General] section,
// written the way Qt's QSettings keeps them in its INI format, so that the PC
// application reads what we write and we read what it writes. Values stay
// bytes: nothing is converted between code pages.
class SettingsFile : public SettingsStore {
 public:
  // The folder of $XDG_CONFIG_HOME, looked up at every call.
  SettingsFile() = default;
  // A fixed configuration folder.
  explicit SettingsFile(std::string config_home);

  bool OpenKey(RootKey root, const std::string& path) override;
  bool CreateKey(RootKey root, const std::string& path) override;
  std::optional<std::string> QueryValue(RootKey root, const std::string& path,
                                        const std::string& name) override;
  bool SetValue(RootKey root, const std::string& path, const std::string& name,
                const std::string& data) override;

  // Why root\path cannot be used as a key that is read and written (its file
  // is a FIFO, a folder or a device, or it or its folder cannot be written),
  // naming the file or folder; "" when it can, or when the key has no file.
  std::string Problem(RootKey root, const std::string& path) const;

  // The file that holds root\path; nothing for keys that have no file.
  std::optional<std::string> FileFor(RootKey root, const std::string& path) const;

 private:
  std::string ConfigHome() const;

  std::optional<std::string> config_home_;
};

// $XDG_CONFIG_HOME when it is an absolute path, else $HOME/.config.
std::string DefaultConfigHome();

}  // namespace corvane
