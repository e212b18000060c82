// Passing over lines that cannot matter, 64 bytes at a time.
//
// A line may be passed over when none of its statements can begin with one of
// the keywords that matter in the current state. A statement begins at the
// start of a line or after a ':', once the spaces before it are passed (Trim
// removes spaces only, so a tab before a keyword hides it).
//
// The keywords' four-byte prefixes are rare in any text, wherever they stand,
// while line ends, colons and spaces are everywhere. So each block is first
// searched for the prefixes alone, at every byte (the block compared with
// itself moved by two and three bytes, each OR-ed with 0x20; the second byte
// of a prefix is tested only where the others match), and for bytes
// 0x80..0xFF. Most blocks hold neither and are passed at once. At each place
// found, a look back over the spaces before it tells whether a statement
// begins there.
//
// The answer may only err towards "stop here": stopping at a line that does
// not matter costs a normal read of it, while passing over one that does
// would lose a declaration. So the walk also stops at every lead byte not
// followed by the continuation bytes it takes (which would swallow a line end
// or a colon), and never looks at the last few bytes of the text, whose next
// bytes it cannot see; the prefix test may say yes where the full keyword test
// says no, never the other way. Up to the first stop every lead byte takes only
// continuation bytes, so every line end and colon is one for the reader too.
#include "declgen/line_skip.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <utility>

#include "base/text.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#elif defined(__aarch64__)
#include <arm_neon.h>
#endif

namespace vortiq {
namespace {

constexpr size_t kBlockSize = 64;
// Bytes a block needs after it: three to compare four bytes from its last one.
constexpr size_t kLookAhead = 3;

// The end of the bytes a walk from `start` looks at: whole blocks, each with
// kLookAhead bytes after it.
size_t WalkEnd(size_t size, size_t start) {
  if (size - start < kBlockSize + kLookAhead) return start;
  return start + (size - start - kLookAhead) / kBlockSize * kBlockSize;
}

// Whether the byte at `at` is a lead byte that is not followed by as many
// continuation bytes as it takes (at most three, which may be read).
bool IsBrokenLead(const char* text, size_t at) {
  const auto lead = static_cast<uint8_t>(text[at]);
  const int taken = lead < 0xC0 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : lead < 0xF8 ? 3 : 0;
  for (int k = 1; k <= taken; ++k) {
    if ((static_cast<uint8_t>(text[at + k]) & 0xC0) != 0x80) return true;
  }
  return false;
}

// Whether a statement begins at `at`: only spaces lie between it and the start
// of the walk (a line start), a line end or a ':'. A CR found here is a line
// end: the byte after it is a space or the one at `at`, not a LF.
bool BeginsStatement(const char* text, size_t start, size_t at) {
  while (at > start && text[at - 1] == kBlank) --at;
  if (at == start) return true;
  const char before = text[at - 1];
  return before == '\n' || before == '\r' || before == '\0' || before == kStatementSeparator;
}

// The start of the line the byte at `at` belongs to, not before `start`. Lines
// end at a LF, a zero byte and a CR not followed by a LF (CR LF ends at its LF).
size_t LineStartOf(const char* text, size_t start, size_t at) {
  for (size_t i = at; i > start; --i) {
    const char byte = text[i - 1];
    if (byte == '\n' || byte == '\0' || (byte == '\r' && text[i] != '\n')) return i;
  }
  return start;
}

#if defined(__SSE2__) || defined(__aarch64__)

#if defined(__SSE2__)
using Vector = __m128i;
inline Vector Load(const char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline Vector Splat(char c) { return _mm_set1_epi8(c); }
inline Vector Or(Vector a, Vector b) { return _mm_or_si128(a, b); }
inline Vector And(Vector a, Vector b) { return _mm_and_si128(a, b); }
inline Vector Equal(Vector a, Vector b) { return _mm_cmpeq_epi8(a, b); }
// A vector whose bytes have their top bit set where `v`'s have (0x80..0xFF, and
// every byte a comparison found equal).
inline bool AnyTopBit(Vector v) { return _mm_movemask_epi8(v) != 0; }
// Bit i (of kBitsPerByte per byte) set where byte i of `v` has its top bit set.
constexpr int kBitsPerByte = 1;
inline uint64_t TopBits(Vector v) { return static_cast<uint32_t>(_mm_movemask_epi8(v)); }
#else
using Vector = uint8x16_t;
inline Vector Load(const char* p) { return vld1q_u8(reinterpret_cast<const uint8_t*>(p)); }
inline Vector Splat(char c) { return vdupq_n_u8(static_cast<uint8_t>(c)); }
inline Vector Or(Vector a, Vector b) { return vorrq_u8(a, b); }
inline Vector And(Vector a, Vector b) { return vandq_u8(a, b); }
inline Vector Equal(Vector a, Vector b) { return vceqq_u8(a, b); }
inline bool AnyTopBit(Vector v) { return vmaxvq_u8(v) >= 0x80; }
// NEON has no movemask: narrowing each 16-bit lane by 4 bits leaves a nibble
// per byte, of which the lowest bit is kept.
constexpr int kBitsPerByte = 4;
inline uint64_t TopBits(Vector v) {
  const uint8x16_t tops = vreinterpretq_u8_s8(vshrq_n_s8(vreinterpretq_s8_u8(v), 7));
  const uint8x8_t nibbles = vshrn_n_u16(vreinterpretq_u16_u8(tops), 4);
  return vget_lane_u64(vreinterpret_u64_u8(nibbles), 0) & 0x1111111111111111ULL;
}
#endif

// The bytes of each prefix compared in the vector: leaving out the second
// saves a load and a comparison per prefix and lets through almost no more
// places in PureBasic text; each place found is then tested on all four bytes.
constexpr size_t kPositions[] = {0, 2, 3};

// Bytes set to 0xFF where one of the first `kCount` prefixes of `keywords` may
// begin among the 16 bytes at `p` (its bytes at kPositions match).
template <size_t kCount>
[[gnu::always_inline]] inline Vector FindPrefixes(const char* p, const KeywordPrefixes& keywords) {
  const Vector lower = Splat(0x20);
  Vector folded[std::size(kPositions)];
  for (size_t j = 0; j < std::size(kPositions); ++j) folded[j] = Or(Load(p + kPositions[j]), lower);
  Vector found = Splat(0);
  for (size_t k = 0; k < kCount; ++k) {
    Vector all = Equal(folded[0], Load(keywords.prefix_lanes(k, kPositions[0])));
    for (size_t j = 1; j < std::size(kPositions); ++j)
      all = And(all, Equal(folded[j], Load(keywords.prefix_lanes(k, kPositions[j]))));
    found = Or(found, all);
  }
  return found;
}

// The walk with `kCount` prefixes. A block in which neither a prefix nor a byte
// 0x80..0xFF is found is passed whole; in the others each such place is looked
// at in turn.
template <size_t kCount>
size_t Walk(const char* text, size_t size, size_t start, const KeywordPrefixes& keywords) {
  const size_t end = WalkEnd(size, start);
  for (size_t block = start; block < end; block += kBlockSize) {
    Vector found[4];
    Vector any = Splat(0);
    for (int part = 0; part < 4; ++part) {
      const char* const p = text + block + 16 * part;
      found[part] = FindPrefixes<kCount>(p, keywords);
      any = Or(any, Or(found[part], Load(p)));  // a prefix or a high byte
    }
    if (!AnyTopBit(any)) continue;
    for (int part = 0; part < 4; ++part) {
      const size_t base = block + 16 * static_cast<size_t>(part);
      const uint64_t prefix_bits = TopBits(found[part]);
      const uint64_t high_bits = TopBits(Load(text + base));
      for (uint64_t bits = prefix_bits | high_bits; bits != 0; bits &= bits - 1) {
        const uint64_t bit = bits & (~bits + 1);
        const size_t at = base + static_cast<size_t>(std::countr_zero(bits) / kBitsPerByte);
        if ((bit & high_bits) != 0
                ? IsBrokenLead(text, at)
                : keywords.MayBegin(text + at) && BeginsStatement(text, start, at)) {
          return LineStartOf(text, start, at);
        }
      }
    }
  }
  return LineStartOf(text, start, end);
}

#endif

}  // namespace

size_t SkipPlainLines(const char* text, size_t size, size_t start,
                      const KeywordPrefixes& keywords) {
  if (!keywords.may_skip() || start > size) return start;
#if defined(__SSE2__) || defined(__aarch64__)
  // One walk per number of prefixes, so that the loop over them is unrolled.
  using WalkFunction = size_t (*)(const char*, size_t, size_t, const KeywordPrefixes&);
  static constexpr auto kWalks = []<size_t... kCounts>(std::index_sequence<kCounts...>) {
    return std::array<WalkFunction, sizeof...(kCounts)>{&Walk<kCounts>...};
  }
  (std::make_index_sequence<KeywordPrefixes::kMaxKeywords + 1>{});
  return kWalks[std::min(keywords.prefix_count(), KeywordPrefixes::kMaxKeywords)](text, size, start,
                                                                                  keywords);
#else
  // Byte by byte the walk costs more than reading the lines it would pass.
  (void)text, (void)size, (void)keywords;
  return start;
#endif
}

size_t SkipPlainLinesByteByByte(const char* text, size_t size, size_t start,
                                const KeywordPrefixes& keywords) {
  if (!keywords.may_skip() || start > size) return start;
  const size_t end = WalkEnd(size, start);
  for (size_t at = start; at < end; ++at) {
    if (IsBrokenLead(text, at) ||
        (keywords.MayBegin(text + at) && BeginsStatement(text, start, at))) {
      return LineStartOf(text, start, at);
    }
  }
  return LineStartOf(text, start, end);
}

}  // namespace vortiq
