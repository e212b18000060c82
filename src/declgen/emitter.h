// Header emission: the prologue, one declaration line per procedure at top level
// or directly inside a module, the CompilerIf fences around each module's
// declarations, and the closing line, as the section machine (sections.h) walks
// the statements.
#ifndef VORTIQ_DECLGEN_EMITTER_H_
#define VORTIQ_DECLGEN_EMITTER_H_

#include <string>
#include <string_view>
#include <vector>

#include "declgen/sections.h"
#include "declgen/statements.h"
#include "io/time_stamp.h"

namespace vortiq {

// The project's web address, shown in the banner line of every header.
inline constexpr std::string_view kProjectAddress = "https://vortiq.org";

// Handles `statement`, which `cursor` gave last, in section state `state`: the
// first rule of the state that the statement is of writes what its kind writes
// to `*header` (a declaration, or the fences around a module) and gives the
// state it leads to; a statement that no rule takes changes nothing.
SectionState EmitStatement(std::string_view statement, SectionState state,
                           const StatementCursor& cursor, std::string* header);

// The text of a header in pieces, to be written one after the other. A piece
// is closed once it holds kHeaderPiece bytes (a declaration is never cut), so
// that a header far larger than its source grows without being copied.
using HeaderText = std::vector<std::string>;
inline constexpr size_t kHeaderPiece = size_t{1} << 20;

// The whole header of the source bytes `source`. `source_path` is the source
// path as well-formed UTF-8 text (PathToText); its file part goes into the
// prologue, control characters as U+FFFD. `date` is the time stamp. A source
// without statements (an empty one) gives only the closing line. Lines in
// which no statement matters in the state of their place are passed over
// (kKeywordsThatMatter); without `pass_over`, for tests, every statement is
// handed to EmitStatement, with the same result.
[[nodiscard]] HeaderText EmitHeader(std::string_view source, std::string_view source_path,
                                    DateValue date, bool pass_over = true);

}  // namespace vortiq

#endif  // VORTIQ_DECLGEN_EMITTER_H_
