// A temporary directory for tests that touch real files, removed with its
// contents at the end of the test, and small file helpers.
#ifndef VORTIQ_TESTS_SUPPORT_TEMP_DIR_H_
#define VORTIQ_TESTS_SUPPORT_TEMP_DIR_H_

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "support/header_text.h"

namespace vortiq::testing {

class TempDir {
 public:
  TempDir() {
    const auto base = std::filesystem::temp_directory_path();
    auto seed = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 1000; ++attempt, seed = seed * 6364136223846793005ULL + 1) {
      path_ = base / ("vortiq-test-" + std::to_string(seed % 1000000007ULL));
      if (std::filesystem::create_directory(path_)) return;
    }
    throw std::runtime_error("no temporary directory");
  }
  ~TempDir() {
    std::error_code ignored;
    // Make everything removable again, whatever a test did to the permissions.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string operator/(std::string_view name) const { return (path_ / name).string(); }

  // Names of the entries in the directory, sorted.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::filesystem::path path_;
};

inline void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Writes kOldHeader, a header an earlier run wrote, to `path`.
inline void WriteOldHeader(const std::filesystem::path& path) { WriteFile(path, kOldHeader); }

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace vortiq::testing

#endif  // VORTIQ_TESTS_SUPPORT_TEMP_DIR_H_
