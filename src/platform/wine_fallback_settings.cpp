#include "platform/wine_fallback_settings.h"

#include <stdlib.h>
#include <unistd.h>

#include "platform/user_folders.h"
#include "platform/wine_path.h"
#include "platform/wine_registry.h"
#include "support/conduit_error.h"
#include "support/mod_reg.h"
#include "support/text_file.h"
#include "support/text_ops.h"

namespace corvane {
namespace {

std::string WithoutTrailingBackslashes(std::string path) {
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

bool IsSyncPath(RootKey root, const std::string& path, const std::string& name) {
  return root == kHKeyCurrentUser &&
         ToLowerAscii(WithoutTrailingBackslashes(path)) ==
             ToLowerAscii(WithoutTrailingBackslashes(kCorvaneKeyPath)) &&
         ToLowerAscii(name) == ToLowerAscii(kPalmSyncPath);
}

}  // namespace

std::string DefaultWinePrefix() {
  const char* prefix = std::getenv("WINEPREFIX");
  if (prefix && prefix[0] == '/') return prefix;
  return HomeFolder() + "/.wine";
}

WineFallbackSettings::WineFallbackSettings(SettingsStore& settings) : settings_(settings) {}

WineFallbackSettings::WineFallbackSettings(SettingsStore& settings, std::string prefix)
    : settings_(settings), prefix_(std::move(prefix)) {}

bool WineFallbackSettings::OpenKey(RootKey root, const std::string& path) {
  return settings_.OpenKey(root, path);
}

bool WineFallbackSettings::CreateKey(RootKey root, const std::string& path) {
  return settings_.CreateKey(root, path);
}

bool WineFallbackSettings::SetValue(RootKey root, const std::string& path, const std::string& name,
                                    const std::string& data) {
  return settings_.SetValue(root, path, name, data);
}

std::optional<std::string> WineFallbackSettings::QueryValue(RootKey root, const std::string& path,
                                                            const std::string& name) {
  std::optional<std::string> data = settings_.QueryValue(root, path, name);
  if (!IsSyncPath(root, path, name)) return data;
  origin_note_.reset();
  if (data && !data->empty() && (*data)[0] != '\0') return data;
  std::optional<std::string> wine = FromWine();
  return wine ? wine : data;
}

std::optional<std::string> WineFallbackSettings::FromWine() {
  const std::string registry = prefix_.value_or(DefaultWinePrefix()) + "/user.reg";
  // No Wine prefix, or one that was never set up: nothing was tried.
  if (::access(registry.c_str(), F_OK) != 0) return std::nullopt;
  try {
    std::optional<std::string> windows_path = FindWineRegistryString(
        ReadWholeFile(registry), WithoutTrailingBackslashes(kCorvaneKeyPath), kPalmSyncPath);
    // As from the registry itself: the text up to its first zero.
    const std::string text = windows_path ? windows_path->substr(0, windows_path->find('\0')) : "";
    if (text.empty()) {
      origin_note_ = "no path from Wine registry " + registry + ": no " + kPalmSyncPath + " in " +
                     WithoutTrailingBackslashes(kCorvaneKeyPath);
      return std::nullopt;
    }
    std::string linux_path = WineToLinuxPath(registry.substr(0, registry.rfind('/')), text);
    origin_note_ = "path from Wine registry " + registry + ": " + text;
    return linux_path + '\0';
  } catch (const std::exception& e) {
    origin_note_ = "no path from Wine registry " + registry + ": " + ErrorText(e);
    return std::nullopt;
  }
}

}  // namespace corvane
