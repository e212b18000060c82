// Passing over source lines that certainly hold no statement of interest,
// without reading them one by one.
#ifndef VORTIQ_IO_LINE_SKIP_H_
#define VORTIQ_IO_LINE_SKIP_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "io/keyword_prefixes.h"

namespace vortiq {

// `start` is where a line begins in `text` (`size` bytes). Returns where the
// first line from there that may hold a statement beginning with one of
// `keywords` begins, or an earlier line start. A line is passed over only when
// it ends where the reader ends it (no CR or zero byte but right before a LF,
// each lead byte followed by the continuation bytes it takes) and none of the
// keywords follows, after spaces, its start or any ':' in it. Lines within the last few bytes of
// `text` are never passed over: the bytes after them may be needed to decide.
[[nodiscard]] size_t SkipPlainLines(const char* text, size_t size, size_t start,
                                    const KeywordPrefixes& keywords);

// The ways of scanning for it: bytes one at a time, or 16 (SSE2) or 32 (AVX2)
// at a time on x86, 64 at a time with NEON on ARM64. SkipPlainLines uses the last one
// AvailableSkipScans lists, the best this build and CPU offer; all give the same results.
enum class SkipScan : uint8_t { kPortable, kSse2, kAvx2, kNeon };
[[nodiscard]] std::vector<SkipScan> AvailableSkipScans();
[[nodiscard]] size_t SkipPlainLines(SkipScan scan, const char* text, size_t size, size_t start,
                                    const KeywordPrefixes& keywords);

// A line that may hold a statement beginning with some of a set of keywords.
struct KeywordLine {
  size_t start;       // where it begins
  uint32_t keywords;  // bit i: a statement of it may begin with keyword i
};

// Finds once what SkipPlainLines would stop at for any subset of `keywords`:
// every line of `text` (whose first byte is taken to begin a line) that may
// hold a statement beginning with one of them, in order, into `*lines`. Stops
// where SkipPlainLines would stop whatever the keywords: at the first line
// that does not end where the reader ends it, or near the end of the text.
// Returns the start of that line: from a line start before it, SkipPlainLines
// for a subset would stop at the first listed line with one of its keywords,
// or there.
size_t FindKeywordLines(const char* text, size_t size, const KeywordPrefixes& keywords,
                        std::vector<KeywordLine>* lines);
size_t FindKeywordLines(SkipScan scan, const char* text, size_t size,
                        const KeywordPrefixes& keywords, std::vector<KeywordLine>* lines);

}  // namespace vortiq

#endif  // VORTIQ_IO_LINE_SKIP_H_
