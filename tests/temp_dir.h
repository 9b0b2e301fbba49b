#pragma once

#include <filesystem>
#include <string>

namespace corvane::testing {

// A fresh folder under the system's temporary folder, removed with its content.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path()/name, after creating its parent folders.
  std::string File(const std::string& name) const;
  std::string Sub(const std::string& name) const;  // creates the folder

 private:
  std::string path_;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

}  // namespace corvane::testing
