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
//
// The same walk is written for vectors of 16 bytes (SSE2, NEON), 32 (AVX2)
// and 64 (AVX-512BW); the wider ones are chosen at run time where the
// processor has them.
#include "declgen/line_skip.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>

#include "base/text.h"

#if defined(__SSE2__)
#include <immintrin.h>
#elif defined(__aarch64__)
#include <arm_neon.h>
#endif

namespace vortiq {
namespace {

#ifndef VORTIQ_WIDEST_WALK
#define VORTIQ_WIDEST_WALK 3
#endif
// The widest walk the program may take: all by default; a narrower one to
// measure what each walk gains.
constexpr auto kWidestLineWalkBuilt = static_cast<LineWalk>(VORTIQ_WIDEST_WALK);

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

constexpr size_t kGoOn = ~size_t{0};

// The first place at which the walk with `kCount` prefixes must stop in the
// block at `base`, where bit i of `broken` and `prefixes` (kBitsPerByte bits
// per byte) marks byte base + i as a lead byte without its continuation bytes
// or as the start of a keyword prefix; kGoOn when none is.
template <size_t kCount, int kBitsPerByte>
inline size_t FirstStop(const char* text, size_t start, size_t base, uint64_t prefixes,
                        uint64_t broken, const KeywordPrefixes& keywords) {
  for (uint64_t bits = prefixes | broken; bits != 0; bits &= bits - 1) {
    const size_t at = base + static_cast<size_t>(std::countr_zero(bits) / kBitsPerByte);
    if ((bits & (~bits + 1) & broken) != 0 ||
        (keywords.MayBegin(text + at, kCount) && BeginsStatement(text, start, at))) {
      return LineStartOf(text, start, at);
    }
  }
  return kGoOn;
}

// The bytes of each prefix compared in the vector: leaving out the second
// saves a load and a comparison per prefix and lets through almost no more
// places in PureBasic text; each place found is then tested on all four bytes.
constexpr size_t kPositions[] = {0, 2, 3};

// Lead bytes: 0xC0..0xDF take one continuation byte, 0xE0..0xEF two and
// 0xF0..0xF7 three; the first lead byte that takes one, two, three.
constexpr uint8_t kTakesOne = 0xC0;
constexpr uint8_t kTakesTwo = 0xE0;
constexpr uint8_t kTakesThree = 0xF0;
constexpr uint8_t kLastLead = 0xF7;

#if defined(__SSE2__) || defined(__aarch64__)

#if defined(__SSE2__)
using Vector = __m128i;
inline Vector Load(const char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline Vector Splat(uint8_t c) { return _mm_set1_epi8(static_cast<char>(c)); }
inline Vector Or(Vector a, Vector b) { return _mm_or_si128(a, b); }
inline Vector And(Vector a, Vector b) { return _mm_and_si128(a, b); }
inline Vector AndNot(Vector a, Vector b) { return _mm_andnot_si128(b, a); }  // a & ~b
inline Vector Equal(Vector a, Vector b) { return _mm_cmpeq_epi8(a, b); }
// Bytes of `v` from `low` to 0xF7: compared as signed bytes once moved by 0x80.
inline Vector LeadsFrom(Vector v, uint8_t low) {
  const Vector moved = _mm_xor_si128(v, Splat(0x80));
  return _mm_andnot_si128(_mm_cmpgt_epi8(moved, Splat(kLastLead ^ 0x80)),
                          _mm_cmpgt_epi8(moved, Splat(static_cast<uint8_t>((low - 1) ^ 0x80))));
}
// A vector whose bytes have their top bit set where `v`'s have (0x80..0xFF, and
// every byte a comparison found equal).
inline bool AnyTopBit(Vector v) { return _mm_movemask_epi8(v) != 0; }
// Bit i (of kBitsPerByte per byte) set where byte i of `v` has its top bit set.
constexpr int kBitsPerByte = 1;
inline uint64_t TopBits(Vector v) { return static_cast<uint32_t>(_mm_movemask_epi8(v)); }
#else
using Vector = uint8x16_t;
inline Vector Load(const char* p) { return vld1q_u8(reinterpret_cast<const uint8_t*>(p)); }
inline Vector Splat(uint8_t c) { return vdupq_n_u8(c); }
inline Vector Or(Vector a, Vector b) { return vorrq_u8(a, b); }
inline Vector And(Vector a, Vector b) { return vandq_u8(a, b); }
inline Vector AndNot(Vector a, Vector b) { return vbicq_u8(a, b); }
inline Vector Equal(Vector a, Vector b) { return vceqq_u8(a, b); }
inline Vector LeadsFrom(Vector v, uint8_t low) {
  return vandq_u8(vcgeq_u8(v, Splat(low)), vcleq_u8(v, Splat(kLastLead)));
}
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

// Bytes set to 0xFF where a lead byte among the 16 at `p` is not followed by
// the continuation bytes 0x80..0xBF it takes.
inline Vector FindBrokenLeads(const char* p) {
  const auto continuation = [](const char* q) {
    return Equal(And(Load(q), Splat(0xC0)), Splat(0x80));
  };
  const Vector bytes = Load(p);
  return Or(Or(AndNot(LeadsFrom(bytes, kTakesOne), continuation(p + 1)),
               AndNot(LeadsFrom(bytes, kTakesTwo), continuation(p + 2))),
            AndNot(LeadsFrom(bytes, kTakesThree), continuation(p + 3)));
}

// The walk with `kCount` prefixes, 16 bytes to a vector. A block in which
// neither a prefix nor a byte 0x80..0xFF is found is passed whole.
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
      // Most blocks hold no byte 0x80..0xFF, so no broken lead either.
      const uint64_t broken =
          AnyTopBit(Load(text + base)) ? TopBits(FindBrokenLeads(text + base)) : 0;
      const size_t stop = FirstStop<kCount, kBitsPerByte>(text, start, base, TopBits(found[part]),
                                                          broken, keywords);
      if (stop != kGoOn) return stop;
    }
  }
  return LineStartOf(text, start, end);
}

#endif

#if defined(__SSE2__)
// Wider walks for the processors that have AVX2 or AVX-512BW, chosen at run
// time; the same steps as Walk, 32 and 64 bytes to a vector.

// Byte `i` of prefix `k` four times over, to be spread over a vector.
inline int LaneWord(const KeywordPrefixes& keywords, size_t k, size_t i) {
  int word;
  std::memcpy(&word, keywords.prefix_lanes(k, i), sizeof(word));
  return word;
}

template <size_t kCount>
[[gnu::target("avx2")]] size_t WalkAvx2(const char* text, size_t size, size_t start,
                                        const KeywordPrefixes& keywords) {
  __m256i prefix_bytes[kCount + 1][std::size(kPositions)];  // + 1: no array of size 0
  for (size_t k = 0; k < kCount; ++k) {
    for (size_t j = 0; j < std::size(kPositions); ++j)
      prefix_bytes[k][j] = _mm256_set1_epi32(LaneWord(keywords, k, kPositions[j]));
  }
  const __m256i lower = _mm256_set1_epi8(0x20);
  const size_t end = WalkEnd(size, start);
  for (size_t block = start; block < end; block += kBlockSize) {
    __m256i found[2];
    __m256i any = _mm256_setzero_si256();
    for (int part = 0; part < 2; ++part) {
      const char* const p = text + block + 32 * part;
      __m256i folded[std::size(kPositions)];
      for (size_t j = 0; j < std::size(kPositions); ++j) {
        folded[j] = _mm256_or_si256(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + kPositions[j])), lower);
      }
      found[part] = _mm256_setzero_si256();
      for (size_t k = 0; k < kCount; ++k) {
        __m256i all = _mm256_cmpeq_epi8(folded[0], prefix_bytes[k][0]);
        for (size_t j = 1; j < std::size(kPositions); ++j)
          all = _mm256_and_si256(all, _mm256_cmpeq_epi8(folded[j], prefix_bytes[k][j]));
        found[part] = _mm256_or_si256(found[part], all);
      }
      any = _mm256_or_si256(
          any,
          _mm256_or_si256(found[part], _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p))));
    }
    if (_mm256_movemask_epi8(any) == 0) continue;
    uint64_t prefixes = 0;
    uint64_t broken = 0;
    for (int part = 0; part < 2; ++part) {
      const char* const p = text + block + 32 * part;
      const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
      const __m256i high_bits = _mm256_set1_epi8(static_cast<char>(0xC0));
      const __m256i continuation = _mm256_set1_epi8(static_cast<char>(0x80));
      // Lead bytes as signed bytes: from `low` to 0xF7 is greater than low - 1
      // and less than 0xF8.
      const __m256i below_last =
          _mm256_cmpgt_epi8(_mm256_set1_epi8(static_cast<char>(0xF8)), bytes);
      __m256i leads_broken = _mm256_setzero_si256();
      const uint8_t lows[] = {kTakesOne, kTakesTwo, kTakesThree};
      for (int k = 0; k < 3; ++k) {
        const __m256i leads = _mm256_and_si256(
            below_last, _mm256_cmpgt_epi8(bytes, _mm256_set1_epi8(static_cast<char>(lows[k] - 1))));
        const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + k + 1));
        const __m256i is_continuation =
            _mm256_cmpeq_epi8(_mm256_and_si256(next, high_bits), continuation);
        leads_broken = _mm256_or_si256(leads_broken, _mm256_andnot_si256(is_continuation, leads));
      }
      prefixes |= uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(found[part]))} << (32 * part);
      broken |= uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(leads_broken))} << (32 * part);
    }
    const size_t stop = FirstStop<kCount, 1>(text, start, block, prefixes, broken, keywords);
    if (stop != kGoOn) return stop;
  }
  return LineStartOf(text, start, end);
}

template <size_t kCount>
[[gnu::target("avx512bw")]] size_t WalkAvx512(const char* text, size_t size, size_t start,
                                              const KeywordPrefixes& keywords) {
  __m512i prefix_bytes[kCount + 1][std::size(kPositions)];  // + 1: no array of size 0
  for (size_t k = 0; k < kCount; ++k) {
    for (size_t j = 0; j < std::size(kPositions); ++j)
      prefix_bytes[k][j] = _mm512_set1_epi32(LaneWord(keywords, k, kPositions[j]));
  }
  const __m512i lower = _mm512_set1_epi8(0x20);
  const size_t end = WalkEnd(size, start);
  for (size_t block = start; block < end; block += kBlockSize) {
    const char* const p = text + block;
    __m512i folded[std::size(kPositions)];
    for (size_t j = 0; j < std::size(kPositions); ++j)
      folded[j] = _mm512_or_si512(_mm512_loadu_si512(p + kPositions[j]), lower);
    __mmask64 prefixes = 0;
    for (size_t k = 0; k < kCount; ++k) {
      __mmask64 all = _mm512_cmpeq_epi8_mask(folded[0], prefix_bytes[k][0]);
      for (size_t j = 1; j < std::size(kPositions); ++j)
        all = _mm512_mask_cmpeq_epi8_mask(all, folded[j], prefix_bytes[k][j]);
      prefixes |= all;
    }
    const __m512i bytes = _mm512_loadu_si512(p);
    if ((prefixes | _mm512_movepi8_mask(bytes)) == 0) continue;
    const __mmask64 leads =
        _mm512_cmple_epu8_mask(bytes, _mm512_set1_epi8(static_cast<char>(kLastLead)));
    __mmask64 broken = 0;
    const uint8_t lows[] = {kTakesOne, kTakesTwo, kTakesThree};
    for (int k = 0; k < 3; ++k) {
      const __mmask64 takes =
          _mm512_mask_cmpge_epu8_mask(leads, bytes, _mm512_set1_epi8(static_cast<char>(lows[k])));
      const __m512i next = _mm512_loadu_si512(p + k + 1);
      broken |= _mm512_mask_cmpneq_epi8_mask(
          takes, _mm512_and_si512(next, _mm512_set1_epi8(static_cast<char>(0xC0))),
          _mm512_set1_epi8(static_cast<char>(0x80)));
    }
    const size_t stop = FirstStop<kCount, 1>(text, start, block, prefixes, broken, keywords);
    if (stop != kGoOn) return stop;
  }
  return LineStartOf(text, start, end);
}
#endif

using WalkFunction = size_t (*)(const char*, size_t, size_t, const KeywordPrefixes&);
// One walk per number of prefixes, so that the loop over them is unrolled.
using WalkTable = std::array<WalkFunction, KeywordPrefixes::kMaxKeywords + 1>;
using Counts = std::make_index_sequence<KeywordPrefixes::kMaxKeywords + 1>;

#if defined(__SSE2__) || defined(__aarch64__)
constexpr WalkTable kVectorWalks = []<size_t... kCounts>(std::index_sequence<kCounts...>) {
  return WalkTable{&Walk<kCounts>...};
}
(Counts{});
#endif
#if defined(__SSE2__)
constexpr WalkTable kAvx2Walks = []<size_t... kCounts>(std::index_sequence<kCounts...>) {
  return WalkTable{&WalkAvx2<kCounts>...};
}
(Counts{});
constexpr WalkTable kAvx512Walks = []<size_t... kCounts>(std::index_sequence<kCounts...>) {
  return WalkTable{&WalkAvx512<kCounts>...};
}
(Counts{});
#endif

// The walks of `walk` in this build, or null where it has none.
const WalkTable* WalksOf(LineWalk walk) {
  switch (walk) {
#if defined(__SSE2__) || defined(__aarch64__)
    case LineWalk::kVector:
      return &kVectorWalks;
#endif
#if defined(__SSE2__)
    case LineWalk::kAvx2:
      return &kAvx2Walks;
    case LineWalk::kAvx512:
      return &kAvx512Walks;
#endif
    default:
      return nullptr;
  }
}

// Whether the processor has what `walk` needs.
bool ProcessorHas(LineWalk walk) {
#if defined(__SSE2__)
  __builtin_cpu_init();
  if (walk == LineWalk::kAvx2) return __builtin_cpu_supports("avx2");
  if (walk == LineWalk::kAvx512) return __builtin_cpu_supports("avx512bw");
#endif
  return true;
}

}  // namespace

bool Runs(LineWalk walk) {
  return walk == LineWalk::kNone ||
         (walk <= kWidestLineWalkBuilt && WalksOf(walk) != nullptr && ProcessorHas(walk));
}

LineWalk WidestLineWalk() {
  static const LineWalk widest = [] {
    for (LineWalk walk : {LineWalk::kAvx512, LineWalk::kAvx2, LineWalk::kVector}) {
      if (Runs(walk)) return walk;
    }
    return LineWalk::kNone;
  }();
  return widest;
}

size_t SkipPlainLinesWith(LineWalk walk, const char* text, size_t size, size_t start,
                          const KeywordPrefixes& keywords) {
  const WalkTable* const walks = WalksOf(walk);
  if (walks == nullptr || !keywords.may_skip() || start > size) return start;
  return (*walks)[std::min(keywords.prefix_count(), KeywordPrefixes::kMaxKeywords)](
      text, size, start, keywords);
}

size_t SkipPlainLines(const char* text, size_t size, size_t start,
                      const KeywordPrefixes& keywords) {
  static const LineWalk walk = WidestLineWalk();
  return SkipPlainLinesWith(walk, text, size, start, keywords);
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
