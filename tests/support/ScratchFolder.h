// A fresh folder under the temporary directory, removed with its content
// (whatever permissions a test left on it). The one scratch folder of the
// tests and the benchmarks. Nothing here needs gtest.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace morvane::testing {

class ScratchFolder {
public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "morvane_XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
      throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code error;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, error);
    std::filesystem::remove_all(path_, error);
  }
  ScratchFolder(const ScratchFolder &) = delete;
  ScratchFolder &operator=(const ScratchFolder &) = delete;

  const std::string &Path() const { return path_; }
  std::string File(const std::string &name) const { return path_ + "/" + name; }

private:
  std::string path_;
};

} // namespace morvane::testing
