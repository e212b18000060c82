// What a test compares before and after a run that must change nothing: every
// entry below a folder with its permission bits and, for a file, its bytes.
#ifndef VORTIQ_TESTS_SUPPORT_SNAPSHOT_H_
#define VORTIQ_TESTS_SUPPORT_SNAPSHOT_H_

#include <filesystem>
#include <map>
#include <string>

#include "support/temp_dir.h"

namespace vortiq::testing {

// Links are listed with what they hold, not followed.
inline std::map<std::string, std::string> Snapshot(const std::filesystem::path& root) {
  namespace fs = std::filesystem;
  std::map<std::string, std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string name = fs::relative(entry.path(), root).string();
    if (entry.is_symlink()) {
      entries[name] = "link to " + fs::read_symlink(entry.path()).string();
      continue;
    }
    const std::string mode = std::to_string(static_cast<int>(entry.status().permissions()));
    entries[name] =
        entry.is_directory() ? mode + " directory" : mode + " " + ReadFile(entry.path().string());
  }
  return entries;
}

// True when `entry` is named as the temporary file of the header `header_name`.
inline bool IsTemporaryFileOf(const std::string& entry, const std::string& header_name) {
  const std::string prefix = "." + header_name + ".";
  return entry.size() == prefix.size() + 12 && entry.compare(0, prefix.size(), prefix) == 0 &&
         entry.compare(entry.size() - 4, 4, ".tmp") == 0;
}

}  // namespace vortiq::testing

#endif  // VORTIQ_TESTS_SUPPORT_SNAPSHOT_H_
