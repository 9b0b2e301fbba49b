#pragma once

#include <map>
#include <optional>
#include <string>

#include "support/settings_store.h"

namespace corvane::testing {

// Settings kept in memory, with a switch that makes the key unwritable.
class MemorySettingsStore : public SettingsStore {
 public:
  bool OpenKey(RootKey, const std::string& path) override {
    return writable && keys.count(path) > 0;
  }
  bool CreateKey(RootKey, const std::string& path) override {
    if (!writable) return false;
    keys[path];
    return true;
  }
  std::optional<std::string> QueryValue(RootKey, const std::string& path,
                                        const std::string& name) override {
    if (!writable || !keys.count(path) || !keys[path].count(name)) return std::nullopt;
    return keys[path][name];
  }
  bool SetValue(RootKey, const std::string& path, const std::string& name,
                const std::string& data) override {
    if (!writable || !keys.count(path)) return false;
    keys[path][name] = data;
    return true;
  }

  std::map<std::string, std::map<std::string, std::string>> keys;
  bool writable = true;
};

}  // namespace corvane::testing
