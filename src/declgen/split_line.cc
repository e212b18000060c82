#include "declgen/split_line.h"

#include "base/text.h"

namespace vortiq {

size_t SplitLine(std::string_view line, std::vector<std::string_view>* pieces) {
  pieces->clear();
  size_t piece_start = 0;  // pieces are contiguous in `line`
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] != kStatementSeparator) continue;
    // Pairs form from the left: a colon followed by another joins a module and a
    // name ("Mod::Name") and splits nothing.
    if (i + 1 < line.size() && line[i + 1] == kStatementSeparator) {
      ++i;
      continue;
    }
    pieces->push_back(line.substr(piece_start, i - piece_start));
    piece_start = i + 1;
  }
  // The text after the last single colon; a line ending in one leaves none.
  if (piece_start < line.size()) pieces->push_back(line.substr(piece_start));
  const size_t count = pieces->size();
  if (count == 0) pieces->emplace_back();
  return count;
}

}  // namespace vortiq
