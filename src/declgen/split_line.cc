#include "declgen/split_line.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <bit>
#include <cstdint>

#include "base/text.h"

namespace vortiq {
namespace {

// Calls `on_colon(position)` for every ':' of `line`, in order. Sixteen bytes are
// compared at a time where SSE2 is available: this looks at every byte of a line
// that holds a colon.
template <typename OnColon>
void ForEachColon(std::string_view line, OnColon on_colon) {
  size_t at = 0;
#if defined(__SSE2__)
  if (line.size() >= 16) {
    const __m128i colon = _mm_set1_epi8(kStatementSeparator);
    const auto colons_at = [&](size_t offset) {  // bit i set: line[offset + i] is ':'
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line.data() + offset));
      return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, colon)));
    };
    const auto walk = [&](size_t offset, uint32_t mask) {
      for (; mask != 0; mask &= mask - 1) on_colon(offset + std::countr_zero(mask));
    };
    for (; line.size() - at >= 16; at += 16) walk(at, colons_at(at));
    if (at < line.size()) {
      // The rest lies in the last 16 bytes, which overlap bytes already seen.
      const size_t last = line.size() - 16;
      walk(last, colons_at(last) & (~uint32_t{0} << (at - last)));
    }
    return;
  }
#endif
  for (; at < line.size(); ++at) {
    if (line[at] == kStatementSeparator) on_colon(at);
  }
}

}  // namespace

size_t SplitLine(std::string_view line, std::vector<std::string_view>* pieces) {
  pieces->clear();
  size_t piece_start = 0;                    // pieces are contiguous in `line`
  size_t pair_end = std::string_view::npos;  // second colon of the last "::"
  ForEachColon(line, [&](size_t colon) {
    if (colon == pair_end) return;
    // Pairs form from the left: a colon followed by another joins a module and a
    // name ("Mod::Name") and splits nothing.
    if (colon + 1 < line.size() && line[colon + 1] == kStatementSeparator) {
      pair_end = colon + 1;
      return;
    }
    pieces->push_back(line.substr(piece_start, colon - piece_start));
    piece_start = colon + 1;
  });
  // The text after the last single colon; a line ending in one leaves none.
  if (piece_start < line.size()) pieces->push_back(line.substr(piece_start));
  const size_t count = pieces->size();
  if (count == 0) pieces->emplace_back();
  return count;
}

}  // namespace vortiq
