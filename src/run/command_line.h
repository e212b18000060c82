// Splitting a whole Windows command line into the program's parameters.
#ifndef VORTIQ_RUN_COMMAND_LINE_H_
#define VORTIQ_RUN_COMMAND_LINE_H_

#include <string>
#include <string_view>
#include <vector>

namespace vortiq {

// The parameters of `command_line` (as GetCommandLineW gives it), every '"'
// removed. Tokens are separated by runs of spaces only (a tab belongs to its
// token). A token that begins with '"' runs to the next '"' (or the end), which
// is consumed, and the next token begins right after it; any other token runs to
// the next space outside a quoted stretch. Backslashes escape nothing. The first
// token, the program's name, is not a parameter.
//
// `ab"c d"e f` gives {`abc de`, `f`}; `x ""` gives {`x`, ``}.
[[nodiscard]] std::vector<std::u16string> CommandLineParameters(std::u16string_view command_line);

}  // namespace vortiq

#endif  // VORTIQ_RUN_COMMAND_LINE_H_
