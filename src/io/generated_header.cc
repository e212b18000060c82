#include "io/generated_header.h"

namespace vortiq {

bool IsGeneratedHeader(std::string_view start, uint64_t size) noexcept {
  if (size == 0 || (size == kClosingLine.size() && start == kClosingLine)) return true;
  for (size_t line = 0; line < kMarkerLineSearch && line < start.size();) {
    size_t end = start.find_first_of("\r\n", line);
    if (end == std::string_view::npos) end = start.size();
    const std::string_view text = start.substr(line, end - line);
    if (text.starts_with(kCommentLineStart) && text.find(kGeneratedAt) != std::string_view::npos) {
      return true;
    }
    line = end + 1;  // after CR LF an empty line begins at the LF, which holds nothing
  }
  return false;
}

}  // namespace vortiq
