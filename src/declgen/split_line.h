// Cutting one physical source line into statements at single colons.
#ifndef VORTIQ_DECLGEN_SPLIT_LINE_H_
#define VORTIQ_DECLGEN_SPLIT_LINE_H_

#include <cstddef>
#include <string_view>
#include <vector>

namespace vortiq {

// Splits `line` at every ':' that is not part of a "::" pair; each "::" stays in
// its piece (Mod::Name). Colons in string literals and comments split too, and
// pieces are not trimmed. In a run of colons pairs form from the left, so ":::"
// keeps "::" and splits at the third colon.
//
// `pieces` is replaced by the pieces, which point into `line`. Returns their
// number n. Only the empty line gives n == 0; `pieces` then still holds one
// empty element, the statement an empty line yields.
// SplitLine("a:b::c", &p) == 2 with p == {"a", "b::c"}.
size_t SplitLine(std::string_view line, std::vector<std::string_view>* pieces);

}  // namespace vortiq

#endif  // VORTIQ_DECLGEN_SPLIT_LINE_H_
