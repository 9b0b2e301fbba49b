#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace corvane {

// A registry root key, as the handle value the registry procedures take.
using RootKey = uint32_t;
inline constexpr RootKey kHKeyCurrentUser = 0x80000001;

// The registry operations the settings procedures are built on. Every
// operation opens and closes its key within the call: nothing is cached, and
// a key counts as open only when it could be opened for writing as well as
// reading (the access the settings procedures ask for).
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;

  // Whether root\path exists and can be opened for reading and writing.
  virtual bool OpenKey(RootKey root, const std::string& path) = 0;
  // Creates root\path with any missing keys above it and flushes it to disk;
  // an existing key is opened. False when the key cannot be had for writing.
  virtual bool CreateKey(RootKey root, const std::string& path) = 0;
  // The value's data as stored: for a string, its bytes and the terminating
  // zero. Nothing when the key cannot be opened or holds no such value.
  virtual std::optional<std::string> QueryValue(RootKey root, const std::string& path,
                                                const std::string& name) = 0;
  // Stores data (a string's bytes and its terminating zero) as a string
  // value; false when nothing was written.
  virtual bool SetValue(RootKey root, const std::string& path, const std::string& name,
                        const std::string& data) = 0;
};

}  // namespace corvane
