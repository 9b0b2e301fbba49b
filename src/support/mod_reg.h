#pragma once

#include <string>

#include "support/settings_store.h"

namespace corvane {

// The key that the conduit shares with the Corvane PC application; the
// trailing backslash is part of the path.
inline constexpr const char* kCorvaneKeyPath = "Software\\Veltrane-soft\\Corvane\\";
inline constexpr const char* kPalmSyncPath = "PalmSyncPath";
inline constexpr const char* kPalmSyncSuppressNotify = "PalmSyncSuppressNotify";

// A read gets a buffer of this many bytes; a value whose data (with its
// terminating zero) does not fit reads as the empty text, never truncated.
inline constexpr size_t kRegReadBufferSize = 255;

// modReg: none of these reports an error; failures show as an empty result
// or as nothing written.

// Whether root\path can be opened for reading and writing.
bool KeyExists(SettingsStore& store, RootKey root, const std::string& path);
// Creates root\path (and the keys above it). The value name is not used.
// True when the key was created or opened; no caller needs more.
bool CreateKey(SettingsStore& store, RootKey root, const std::string& path,
               const std::string& name = {});
// The value's text up to its first zero character, or the empty text. A
// missing key is created (empty) first.
std::string ReadRegString(SettingsStore& store, RootKey root, const std::string& path,
                          const std::string& name);
// Stores text as a string value; a failure goes unnoticed.
void WriteRegString(SettingsStore& store, RootKey root, const std::string& path,
                    const std::string& name, const std::string& text);
// text without any zero character and without leading or trailing spaces
// (the space only: tabs and line breaks stay).
std::string TrimNulls(const std::string& text);

}  // namespace corvane
