#pragma once

#include <optional>
#include <string>

#include "support/settings_store.h"

namespace corvane {

// The settings file, and for the exchange folder the registry of a Wine
// prefix as well: a PC application run under Wine keeps PalmSyncPath in
// $WINEPREFIX/user.reg. When the settings hold no PalmSyncPath, or an empty
// one, the conduit's key in user.reg gives it, turned into the Linux path it
// means. user.reg is only ever read (Wine's server rewrites it from memory);
// every other call, and every write, goes to the settings alone.
class WineFallbackSettings : public SettingsStore {
 public:
  // The prefix of $WINEPREFIX, looked up at every read (default ~/.wine).
  explicit WineFallbackSettings(SettingsStore& settings);
  WineFallbackSettings(SettingsStore& settings, std::string prefix);

  bool OpenKey(RootKey root, const std::string& path) override;
  bool CreateKey(RootKey root, const std::string& path) override;
  std::optional<std::string> QueryValue(RootKey root, const std::string& path,
                                        const std::string& name) override;
  bool SetValue(RootKey root, const std::string& path, const std::string& name,
                const std::string& data) override;

  // For the log, after a read of PalmSyncPath: where the value came from
  // when Wine gave it, or why the Wine prefix gave none although it has a
  // registry; nothing when the settings had it or there is no Wine registry.
  const std::optional<std::string>& origin_note() const { return origin_note_; }

 private:
  std::optional<std::string> FromWine();

  SettingsStore& settings_;
  std::optional<std::string> prefix_;
  std::optional<std::string> origin_note_;
};

// $WINEPREFIX when it is an absolute path, else ~/.wine.
std::string DefaultWinePrefix();

}  // namespace corvane
