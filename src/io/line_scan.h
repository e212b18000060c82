// The scan that finds where a source line ends.
#ifndef VORTIQ_IO_LINE_SCAN_H_
#define VORTIQ_IO_LINE_SCAN_H_

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <bit>
#include <cstdint>
#include <cstring>

#include "base/text.h"

namespace vortiq {

// First byte in [p, end) that ends a line or starts a non-ASCII character:
// 0x00, 0x0A, 0x0D or 0x80..0xFF; `end` when there is none. Sets `*colon` when a ':' lies
// before it, found in the same pass, so that lines without one need no splitting.
inline const char* FindLineSpecial(const char* p, const char* end, bool* colon) {
#if defined(__SSE2__)
  // Sixteen bytes at a time. movemask takes the top bit of each byte, which is
  // set for 0x80..0xFF and for every byte that compared equal.
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i zero = _mm_setzero_si128();
  const __m128i colons = _mm_set1_epi8(kStatementSeparator);
  for (; end - p >= 16; p += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i line_ends =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, lf), _mm_cmpeq_epi8(bytes, cr)),
                     _mm_cmpeq_epi8(bytes, zero));
    const auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(line_ends, bytes)));
    const auto colon_mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, colons)));
    if (mask != 0) {
      *colon = *colon || (colon_mask & (mask - 1) & ~mask) != 0;  // colons before it
      return p + std::countr_zero(mask);
    }
    *colon = *colon || colon_mask != 0;
  }
#else
  // Eight bytes at a time: skip words without any special byte or colon.
  constexpr uint64_t kOnes = 0x0101010101010101ULL;
  const auto has_zero_byte = [](uint64_t word) { return (word - kOnes) & ~word & (kOnes * 0x80); };
  for (; end - p >= 8; p += 8) {
    uint64_t word;
    std::memcpy(&word, p, 8);
    if ((word & (kOnes * 0x80)) | has_zero_byte(word) | has_zero_byte(word ^ (kOnes * '\n')) |
        has_zero_byte(word ^ (kOnes * '\r')) |
        has_zero_byte(word ^ (kOnes * kStatementSeparator))) {
      break;
    }
  }
#endif
  for (; p < end; ++p) {
    const auto byte = static_cast<uint8_t>(*p);
    if (byte >= 0x80 || byte == 0 || byte == '\n' || byte == '\r') return p;
    if (byte == kStatementSeparator) *colon = true;
  }
  return end;
}

}  // namespace vortiq

#endif  // VORTIQ_IO_LINE_SCAN_H_
