// ConvertHeader on a header and the statements after it, for tests and fuzzers.
#ifndef VORTIQ_TESTS_SUPPORT_CONVERTED_H_
#define VORTIQ_TESTS_SUPPORT_CONVERTED_H_

#include <string>
#include <string_view>
#include <vector>

#include "declgen/convert_header.h"
#include "declgen/statements.h"

namespace vortiq {

// The declaration ConvertHeader makes of `header` followed by the lines
// `following` (each a statement as long as it holds no ':', line end, leading
// or trailing space, leading "runtime " or malformed UTF-8).
inline std::string Converted(std::string_view header,
                             const std::vector<std::string>& following = {}) {
  std::string source;
  for (const std::string& line : following) source += line + "\n";
  std::string declaration;
  ConvertHeader(header, StatementCursor(source), &declaration);
  return declaration;
}

}  // namespace vortiq

#endif  // VORTIQ_TESTS_SUPPORT_CONVERTED_H_
