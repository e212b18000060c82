// Passing over source lines that certainly hold no statement of interest,
// without reading them one by one.
#ifndef VORTIQ_DECLGEN_LINE_SKIP_H_
#define VORTIQ_DECLGEN_LINE_SKIP_H_

#include <cstddef>
#include <cstdint>

#include "declgen/keyword_prefixes.h"

namespace vortiq {

// The ways of passing over lines, narrowest first.
enum class LineWalk : uint8_t {
  kNone,    // nothing is passed over: a walk byte by byte costs more than reading the lines
  kVector,  // 16 bytes to a vector: SSE2 (x86) or NEON (ARM64)
  kAvx2,    // 32 bytes: x86 processors with AVX2
  kAvx512,  // 64 bytes: x86 processors with AVX-512BW
};

// Whether this build has `walk` and the processor runs it (kNone always).
[[nodiscard]] bool Runs(LineWalk walk);

// The widest walk that Runs: the one SkipPlainLines takes.
[[nodiscard]] LineWalk WidestLineWalk();

// `start` is where a line begins in `text` (`size` bytes). Returns where the
// first line from there that may hold a statement beginning with one of
// `keywords` begins, or an earlier line start. A line is passed over only when
// every lead byte in it is followed by the continuation bytes it takes and none
// of the keywords follows, after spaces, its start or any ':' in it. Lines
// within the last few bytes of `text` are never passed over: the bytes after
// them may be needed to decide. Takes WidestLineWalk().
[[nodiscard]] size_t SkipPlainLines(const char* text, size_t size, size_t start,
                                    const KeywordPrefixes& keywords);

// SkipPlainLines with the given walk, which must be one that Runs; kNone
// returns `start`.
[[nodiscard]] size_t SkipPlainLinesWith(LineWalk walk, const char* text, size_t size, size_t start,
                                        const KeywordPrefixes& keywords);

// The same walk one byte at a time: what the tests hold the others to.
[[nodiscard]] size_t SkipPlainLinesByteByByte(const char* text, size_t size, size_t start,
                                              const KeywordPrefixes& keywords);

}  // namespace vortiq

#endif  // VORTIQ_DECLGEN_LINE_SKIP_H_
