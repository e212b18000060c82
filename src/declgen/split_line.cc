#include "declgen/split_line.h"

#include <cstring>

namespace vortiq {

size_t SplitLine(std::string_view line, std::vector<std::string_view>* pieces) {
  pieces->clear();
  const char* const data = line.data();
  const size_t length = line.size();
  size_t piece_start = 0;  // start of the pending text: pieces are contiguous in `line`
  size_t i = 0;            // scan position
  while (i < length) {
    const void* found = std::memchr(data + i, ':', length - i);
    if (found == nullptr) {
      pieces->emplace_back(data + piece_start, length - piece_start);
      i = length;
      piece_start = length;
      break;
    }
    const size_t colon = static_cast<size_t>(static_cast<const char*>(found) - data);
    if (colon + 1 < length && data[colon + 1] == ':') {
      i = colon + 2;  // "::" joins a module and a name: no split
      continue;
    }
    pieces->emplace_back(data + piece_start, colon - piece_start);
    i = colon + 1;
    piece_start = i;
  }
  // A line ending in "::" after its last single colon leaves that text pending.
  if (piece_start < length) pieces->emplace_back(data + piece_start, length - piece_start);
  const size_t count = pieces->size();
  if (count == 0) pieces->emplace_back();
  return count;
}

}  // namespace vortiq
