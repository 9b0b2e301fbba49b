#include "support/mod_reg.h"

#include "support/text_ops.h"

namespace corvane {

bool KeyExists(SettingsStore& store, RootKey root, const std::string& path) {
  return store.OpenKey(root, path);
}

bool CreateKey(SettingsStore& store, RootKey root, const std::string& path,
               const std::string& /*name*/) {
  return store.CreateKey(root, path);
}

std::string ReadRegString(SettingsStore& store, RootKey root, const std::string& path,
                          const std::string& name) {
  if (!KeyExists(store, root, path)) CreateKey(store, root, path, name);
  if (!store.OpenKey(root, path)) return "";
  std::optional<std::string> data = store.QueryValue(root, path, name);
  // Data that does not fit the buffer fails the query as a whole.
  if (!data || data->size() > kRegReadBufferSize) return "";
  return data->substr(0, data->find('\0'));
}

void WriteRegString(SettingsStore& store, RootKey root, const std::string& path,
                    const std::string& name, const std::string& text) {
  if (!KeyExists(store, root, path)) CreateKey(store, root, path, name);
  if (!store.OpenKey(root, path)) return;
  std::string data = text;
  data.push_back('\0');
  store.SetValue(root, path, name, data);  // the outcome is ignored by design
}

std::string TrimNulls(const std::string& text) {
  std::string s;
  s.reserve(text.size());
  for (char c : text) {
    if (c != '\0') s.push_back(c);
  }
  return TrimSpaces(s);
}

}  // namespace corvane
