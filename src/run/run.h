// One run of the tool: from the parameters to the exit status.
#ifndef VORTIQ_RUN_RUN_H_
#define VORTIQ_RUN_RUN_H_

#include <string>
#include <vector>

namespace vortiq {

inline constexpr int kExitSuccess = 0;  // header written, or nothing to do
inline constexpr int kExitFailure = 1;  // a source file was named, but no header came of it

// The source path: the parameters with every '"' removed, joined with single spaces.
[[nodiscard]] std::string SourcePathOf(const std::vector<std::string>& parameters);

// Writes the header of the source named by `parameters` (the command line after
// the program's name, in the platform's path encoding) next to it: "demo.pb"
// gives "demo.pbi". Only the extensions "pb" and "sb", in exactly that case, are
// processed; anything else, no parameter included, does nothing. Prints nothing.
[[nodiscard]] int Run(const std::vector<std::string>& parameters);

}  // namespace vortiq

#endif  // VORTIQ_RUN_RUN_H_
