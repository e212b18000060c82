// Passing over lines that cannot matter, 64 bytes at a time.
//
// A line may be passed over when none of its statements can begin with one of
// the keywords that matter in the current state. A statement begins at the
// start of a line or after a ':', once the spaces before it are passed (Trim
// removes spaces only, so a tab before a keyword hides it). So for each block
// of 64 bytes a few bit masks are made at once (bit i stands for byte i):
// line feeds, CRs, zero bytes, colons, spaces, bytes 0x80..0xFF, and bytes
// that equal a keyword's first letter in either case. From them:
//
//   ends     = line feeds | zero bytes | CRs not right before a line feed:
//              where the reader ends lines (a CR LF ends at its LF).
//   starts   = (ends | colons) << 1, and bit 0 when the block begins a
//              statement (the carry from the block before): bytes right after
//              a line end or a colon.
//   carried  = spaces + (starts & spaces): the first space of each run of
//              spaces that begins a statement, added to the run, carries
//              through it and leaves one bit, on the byte right after it.
//   firsts   = (carried | starts) & ~spaces: the first character of each
//              statement, after its leading spaces.
//
// Worked example (16 bytes of a block; ' ' drawn as '.', byte 0 on the left;
// the keywords of a procedure's body, "endprocedure" and "runtime "):
//
//   bytes      . . a : . . E n d I f \n. . P r
//   spaces     1 1 0 0 1 1 0 0 0 0 0 0  1 1 0 0
//   starts     1 0 0 0 1 0 0 0 0 0 0 0  1 0 0 0    (bit 0: a line begins here)
//   carried    0 0 1 0 0 0 1 0 0 0 0 0  0 0 1 0
//   firsts     0 0 1 0 0 0 1 0 0 0 0 0  0 0 1 0    "a", "EndIf", "Pr..."
//   initials   0 0 0 0 0 0 1 0 0 0 0 0  0 0 0 1    'E', 'r' (either case)
//   candidates 0 0 0 0 0 0 1 0 0 0 0 0  0 0 0 0    firsts & initials
//
// Only candidates are looked at further: their first four bytes, without
// letter case, against the keywords' ("EndI" is not "endp" nor "runt"), so
// these lines are passed over. A run of spaces that reaches the end of the
// block overflows the addition, and the carry says that the next block's
// first byte may still begin the statement.
//
// The answer may only err towards "stop here": stopping at a line that does
// not matter costs a normal read of it, while passing over one that does
// would lose a declaration. So the walk also stops at every lead byte not
// followed by the continuation bytes it takes (which would swallow a line end
// or a colon), and never looks at the last few bytes of the text, whose next
// bytes it cannot see; the four-byte test may say yes where the full keyword
// test says no, never the other way.
#include "declgen/line_skip.h"

#include <bit>
#include <cstdint>

#include "base/text.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#elif defined(__aarch64__)
#include <arm_neon.h>
#endif

namespace vortiq {
namespace {

constexpr size_t kBlockSize = 64;
// Bytes a block needs after it: three to compare four bytes from its last one
// (which also shows the byte after a CR).
constexpr size_t kLookAhead = 3;

using Initials = char[KeywordPrefixes::kMaxInitials];

// Bit i of each mask stands for byte i of a 64-byte block.
struct SkipMasks {
  uint64_t line_feeds = 0;  // 0x0A
  uint64_t returns = 0;     // 0x0D
  uint64_t zeros = 0;       // 0x00
  uint64_t colons = 0;      // the statement separator ':'
  uint64_t spaces = 0;      // the blank before statements, 0x20
  uint64_t highs = 0;       // 0x80..0xFF
  uint64_t initials = 0;    // bytes equal to one of the initials once OR-ed with 0x20
};

[[gnu::always_inline]] inline SkipMasks ScanBlockPortable(const char* p, const Initials& initials) {
  SkipMasks masks;
  for (size_t i = 0; i < kBlockSize; ++i) {
    const auto byte = static_cast<uint8_t>(p[i]);
    const auto folded = static_cast<char>(byte | 0x20);
    const uint64_t bit = uint64_t{1} << i;
    if (byte == '\n') masks.line_feeds |= bit;
    if (byte == '\r') masks.returns |= bit;
    if (byte == 0) masks.zeros |= bit;
    if (byte == kStatementSeparator) masks.colons |= bit;
    if (byte == kBlank) masks.spaces |= bit;
    if (byte >= 0x80) masks.highs |= bit;
    for (const char initial : initials) {
      if (folded == initial) masks.initials |= bit;
    }
  }
  return masks;
}

#if defined(__SSE2__)
[[gnu::always_inline]] inline SkipMasks ScanBlockSse2(const char* p, const Initials& initials) {
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i colon = _mm_set1_epi8(kStatementSeparator);
  const __m128i space = _mm_set1_epi8(kBlank);
  const __m128i lower = _mm_set1_epi8(0x20);
  const __m128i zero = _mm_setzero_si128();
  const __m128i a = _mm_set1_epi8(initials[0]);
  const __m128i b = _mm_set1_epi8(initials[1]);
  const __m128i c = _mm_set1_epi8(initials[2]);
  const __m128i d = _mm_set1_epi8(initials[3]);
  SkipMasks masks;
  for (int part = 0; part < 4; ++part) {
    const auto bits = [part](__m128i matches) {
      return static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(matches)))
             << (16 * part);
    };
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * part));
    const __m128i folded = _mm_or_si128(bytes, lower);
    masks.line_feeds |= bits(_mm_cmpeq_epi8(bytes, lf));
    masks.returns |= bits(_mm_cmpeq_epi8(bytes, cr));
    masks.zeros |= bits(_mm_cmpeq_epi8(bytes, zero));
    masks.colons |= bits(_mm_cmpeq_epi8(bytes, colon));
    masks.spaces |= bits(_mm_cmpeq_epi8(bytes, space));
    masks.highs |= bits(bytes);
    masks.initials |=
        bits(_mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(folded, a), _mm_cmpeq_epi8(folded, b)),
                          _mm_or_si128(_mm_cmpeq_epi8(folded, c), _mm_cmpeq_epi8(folded, d))));
  }
  return masks;
}
#endif

#if defined(__aarch64__)
// NEON has no movemask: the block is loaded de-interleaved (vector k holds
// bytes k, k + 4, ...), so that shifting and inserting the four comparison
// vectors into one and narrowing it puts byte i's bit at bit i, as on x86.
[[gnu::always_inline]] inline uint64_t BitsOf(uint8x16x4_t matches) {
  const uint8x16_t low = vsriq_n_u8(matches.val[1], matches.val[0], 1);
  const uint8x16_t high = vsriq_n_u8(matches.val[3], matches.val[2], 1);
  const uint8x16_t nibbles = vsriq_n_u8(high, low, 2);
  const uint8x16_t twice = vsriq_n_u8(nibbles, nibbles, 4);
  return vget_lane_u64(vreinterpret_u64_u8(vshrn_n_u16(vreinterpretq_u16_u8(twice), 4)), 0);
}

[[gnu::always_inline]] inline SkipMasks ScanBlockNeon(const char* p, const Initials& initials) {
  const uint8x16_t lf = vdupq_n_u8('\n');
  const uint8x16_t cr = vdupq_n_u8('\r');
  const uint8x16_t colon = vdupq_n_u8(kStatementSeparator);
  const uint8x16_t space = vdupq_n_u8(kBlank);
  const uint8x16_t lower = vdupq_n_u8(0x20);
  const uint8x16_t a = vdupq_n_u8(static_cast<uint8_t>(initials[0]));
  const uint8x16_t b = vdupq_n_u8(static_cast<uint8_t>(initials[1]));
  const uint8x16_t c = vdupq_n_u8(static_cast<uint8_t>(initials[2]));
  const uint8x16_t d = vdupq_n_u8(static_cast<uint8_t>(initials[3]));
  const uint8x16x4_t bytes = vld4q_u8(reinterpret_cast<const uint8_t*>(p));
  uint8x16x4_t line_feeds, returns, zeros, colons, spaces, highs, initial;
  for (int k = 0; k < 4; ++k) {
    const uint8x16_t byte = bytes.val[k];
    const uint8x16_t folded = vorrq_u8(byte, lower);
    line_feeds.val[k] = vceqq_u8(byte, lf);
    returns.val[k] = vceqq_u8(byte, cr);
    zeros.val[k] = vceqzq_u8(byte);
    colons.val[k] = vceqq_u8(byte, colon);
    spaces.val[k] = vceqq_u8(byte, space);
    highs.val[k] = vcltzq_s8(vreinterpretq_s8_u8(byte));
    initial.val[k] = vorrq_u8(vorrq_u8(vceqq_u8(folded, a), vceqq_u8(folded, b)),
                              vorrq_u8(vceqq_u8(folded, c), vceqq_u8(folded, d)));
  }
  SkipMasks masks;
  masks.line_feeds = BitsOf(line_feeds);
  masks.returns = BitsOf(returns);
  masks.zeros = BitsOf(zeros);
  masks.colons = BitsOf(colons);
  masks.spaces = BitsOf(spaces);
  masks.highs = BitsOf(highs);
  masks.initials = BitsOf(initial);
  return masks;
}
#endif

// The lead bytes among `highs` (bits of the block at `p`) that are not followed
// by as many continuation bytes as they take. A lead byte takes its following
// bytes whatever they are, so a line end or ':' among them would not be one;
// where every lead is followed by continuation bytes, the ASCII bytes of the
// line stay what they are, whatever characters the line decodes to.
uint64_t BrokenLeads(uint64_t highs, const char* p) {
  uint64_t broken = 0;
  for (; highs != 0; highs &= highs - 1) {
    const int at = std::countr_zero(highs);
    const auto lead = static_cast<uint8_t>(p[at]);
    const int taken = lead < 0xC0 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : lead < 0xF8 ? 3 : 0;
    for (int k = 1; k <= taken; ++k) {  // at most 3 bytes past the block
      if ((static_cast<uint8_t>(p[at + k]) & 0xC0) != 0x80) broken |= uint64_t{1} << at;
    }
  }
  return broken;
}

// The state carried from block to block.
struct Walk {
  size_t line_start;  // of the line the next block's first byte belongs to
  // Bit 0 of the next block's statement starts: its first byte starts a line
  // or a statement, or follows the leading spaces of one.
  uint64_t carry = 1;
};

// What a block holds: bits of its line ends, of its unclear bytes, and of the
// first characters (after leading spaces) of its statements that begin with
// one of the keywords' first letters. Carries the walk's state to the next block.
struct BlockPlaces {
  uint64_t ends;
  uint64_t unclear;
  uint64_t candidates;
};

[[gnu::always_inline]] inline BlockPlaces PlacesOf(const SkipMasks& masks, const char* text,
                                                   size_t block, Walk* walk) {
  const uint64_t next_is_feed = text[block + kBlockSize] == '\n' ? uint64_t{1} << 63 : 0;
  // A CR right before a LF belongs to the line end the LF makes; a zero byte
  // ends a line wherever it stands (before a LF, an empty line follows).
  const uint64_t ends =
      masks.line_feeds | masks.zeros | (masks.returns & ~((masks.line_feeds >> 1) | next_is_feed));
  const uint64_t unclear = masks.highs == 0 ? 0 : BrokenLeads(masks.highs, text + block);
  // Each statement's first character after its leading spaces: adding the
  // first space of each run that begins a statement carries past the run.
  const uint64_t breaks = ends | masks.colons;
  const uint64_t starts = (breaks << 1) | walk->carry;
  const uint64_t carried = masks.spaces + (starts & masks.spaces);
  const bool past_end = carried < masks.spaces;  // a run reaches the next block
  const uint64_t firsts = (carried | starts) & ~masks.spaces;
  walk->carry = static_cast<uint64_t>(past_end) | (breaks >> 63);
  return {ends, unclear, firsts & masks.initials};
}

// The bits below the lowest one of `bits`; all of them when there is none.
constexpr uint64_t BitsBelowFirst(uint64_t bits) {
  return bits == 0 ? ~uint64_t{0} : (bits & (~bits + 1)) - 1;
}

// The start of the line that the place after the line ends `ends` of the
// block lies in: after the last of them, or `line_start` without any.
inline size_t LineStartAfter(uint64_t ends, size_t block, size_t line_start) {
  return ends == 0 ? line_start : block + kBlockSize - static_cast<size_t>(std::countl_zero(ends));
}

// Takes in the block at `block`; returns true when the walk stops in it, at
// walk->line_start: the line of its first unclear byte or of its first
// statement that may begin with a keyword.
[[gnu::always_inline]] inline bool StepBlock(const SkipMasks& masks, const char* text, size_t block,
                                             const KeywordPrefixes& keywords, Walk* walk) {
  const BlockPlaces places = PlacesOf(masks, text, block, walk);
  uint64_t stop = places.unclear & (~places.unclear + 1);
  for (uint64_t maybe = places.candidates & BitsBelowFirst(stop); maybe != 0; maybe &= maybe - 1) {
    if (keywords.MayBegin(text + block + std::countr_zero(maybe))) {
      stop = maybe & (~maybe + 1);
      break;
    }
  }
  walk->line_start = LineStartAfter(places.ends & BitsBelowFirst(stop), block, walk->line_start);
  return stop != 0;
}

// The walk over the blocks with one way of scanning them, taking each in with
// `step`. Inlined into a function per way, so each is built for the CPU its
// scan needs.
template <SkipMasks (*Scan)(const char*, const Initials&), typename Step>
[[gnu::always_inline]] inline size_t WalkBlocks(const char* text, size_t size, size_t start,
                                                const KeywordPrefixes& keywords, Step step) {
  const Initials initials = {keywords.initial(0), keywords.initial(1), keywords.initial(2),
                             keywords.initial(3)};
  Walk walk{start};
  for (size_t block = start; size - block >= kBlockSize + kLookAhead; block += kBlockSize) {
    if (step(Scan(text + block, initials), block, &walk)) break;
  }
  return walk.line_start;
}

template <SkipMasks (*Scan)(const char*, const Initials&)>
size_t Skip(const char* text, size_t size, size_t start, const KeywordPrefixes& keywords) {
  if (!keywords.may_skip() || start > size) return start;
  return WalkBlocks<Scan>(text, size, start, keywords,
                          [&](const SkipMasks& masks, size_t block, Walk* walk) {
                            return StepBlock(masks, text, block, keywords, walk);
                          });
}

}  // namespace

size_t SkipPlainLines(const char* text, size_t size, size_t start,
                      const KeywordPrefixes& keywords) {
#if defined(__SSE2__)
  return Skip<ScanBlockSse2>(text, size, start, keywords);
#elif defined(__aarch64__)
  return Skip<ScanBlockNeon>(text, size, start, keywords);
#else
  // Byte by byte the walk costs more than reading the lines it would pass.
  (void)text, (void)size, (void)keywords;
  return start;
#endif
}

size_t SkipPlainLinesByteByByte(const char* text, size_t size, size_t start,
                                const KeywordPrefixes& keywords) {
  return Skip<ScanBlockPortable>(text, size, start, keywords);
}

}  // namespace vortiq
