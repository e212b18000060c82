// Passing over source lines that certainly hold no statement of interest,
// without reading them one by one.
#ifndef VORTIQ_DECLGEN_LINE_SKIP_H_
#define VORTIQ_DECLGEN_LINE_SKIP_H_

#include <cstddef>
#include <cstdint>

#include "declgen/keyword_prefixes.h"

namespace vortiq {

// `start` is where a line begins in `text` (`size` bytes). Returns where the
// first line from there that may hold a statement beginning with one of
// `keywords` begins, or an earlier line start. A line is passed over only when
// every lead byte in it is followed by the continuation bytes it takes and none
// of the keywords follows, after spaces, its start or any ':' in it. Lines
// within the last few bytes of `text` are never passed over: the bytes after
// them may be needed to decide. Scans 64 bytes at a time with SSE2 or NEON;
// where neither is built, passes over nothing (a walk byte by byte is slower
// than reading the lines).
[[nodiscard]] size_t SkipPlainLines(const char* text, size_t size, size_t start,
                                    const KeywordPrefixes& keywords);

// Whether this build has the vector walk, so that SkipPlainLines passes lines.
#if defined(__SSE2__) || defined(__aarch64__)
inline constexpr bool kSkipsLines = true;
#else
inline constexpr bool kSkipsLines = false;
#endif

// The same walk with the masks made one byte at a time: what the tests hold
// SkipPlainLines to.
[[nodiscard]] size_t SkipPlainLinesByteByByte(const char* text, size_t size, size_t start,
                                              const KeywordPrefixes& keywords);

}  // namespace vortiq

#endif  // VORTIQ_DECLGEN_LINE_SKIP_H_
