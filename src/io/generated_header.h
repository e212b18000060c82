// What marks a file as a header that this tool wrote, so that a hand-written
// include file at the header path ("net.pbi" beside "net.pb") is never replaced.
#ifndef VORTIQ_IO_GENERATED_HEADER_H_
#define VORTIQ_IO_GENERATED_HEADER_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vortiq {

// The last line of every header, written without line end; alone it is the
// header of an empty source.
inline constexpr std::string_view kClosingLine = "CompilerEndIf";

// The second line of every header begins with kCommentLineStart and holds
// kGeneratedAt: ";- 'demo.pb' header, generated at 09:41:07 06.12.2026."
inline constexpr std::string_view kCommentLineStart = ";- '";
inline constexpr std::string_view kGeneratedAt = "' header, generated at ";

// The marker line must begin within this many first bytes of the file...
inline constexpr size_t kMarkerLineSearch = 4096;
// ...and is looked for in this many: room for a line of the longest file name.
inline constexpr size_t kGeneratedHeaderProbe = 8192;

// Whether a file of `size` bytes whose first bytes are `start` (at least
// min(size, kGeneratedHeaderProbe) of them) may be replaced by a new header:
// it is empty, exactly kClosingLine, or a line that begins within its first
// kMarkerLineSearch bytes begins with kCommentLineStart and holds kGeneratedAt.
// Lines end at CR LF, LF or a lone CR, so line ends a version-control tool
// converted, and merge-conflict markers above the line, change nothing.
[[nodiscard]] bool IsGeneratedHeader(std::string_view start, uint64_t size) noexcept;

}  // namespace vortiq

#endif  // VORTIQ_IO_GENERATED_HEADER_H_
