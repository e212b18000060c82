#include "base/text.h"

#include <algorithm>

namespace vortiq {

std::string_view Mid(std::string_view text, int64_t start) noexcept {
  if (start < 1) start = 1;
  if (static_cast<uint64_t>(start) > text.size()) return {};
  return text.substr(static_cast<size_t>(start - 1));
}

std::string_view GetExtensionPart(std::string_view path) noexcept {
  // Scan back from the last character to the second; the first one is never the dot.
  for (size_t i = path.size(); i-- > 1;) {
    const char c = path[i];
    if (c == '/' || c == '\\' || c == ' ') return {};
    if (c != '.') continue;
    // A component that begins with a dot has no extension.
    if (path[i - 1] == '/' || path[i - 1] == '\\') return {};
    std::string_view extension = path.substr(i + 1);
    return extension.substr(0, extension.find('"'));
  }
  return {};
}

std::string_view GetFilePart(std::string_view path) noexcept {
  if (!path.empty() && path.front() == '"') path.remove_prefix(1);
  const size_t separator = path.find_last_of("/\\");
  if (separator != std::string_view::npos) path.remove_prefix(separator + 1);
  return path.substr(0, path.find('"'));
}

}  // namespace vortiq
