// The run's generation stage in memory, for tests, fuzzers and benchmarks.
#ifndef VORTIQ_TESTS_SUPPORT_GENERATE_H_
#define VORTIQ_TESTS_SUPPORT_GENERATE_H_

#include <string>
#include <string_view>

#include "declgen/emitter.h"
#include "io/platform.h"
#include "io/time_stamp.h"

namespace vortiq {

// The pieces of a header's text, one after the other.
inline std::string Joined(const HeaderText& text) {
  std::string joined;
  for (const std::string& piece : text) joined += piece;
  return joined;
}

// The header the run writes for the source bytes `source` at `source_path` (a
// path in the platform's encoding) when its clock reads `clock`.
inline std::string GenerateHeader(std::string_view source, std::string_view source_path,
                                  const LocalTime& clock) {
  return Joined(EmitHeader(source, PathToText(source_path), Date(clock)));
}

}  // namespace vortiq

#endif  // VORTIQ_TESTS_SUPPORT_GENERATE_H_
