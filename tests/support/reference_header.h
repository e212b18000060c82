// The header generation without its fast paths, for tests and fuzzers to
// compare the tool's generation with: every statement of the source is read
// into a list that never drops one and handed to the emitter, so no line is
// passed over and no look-ahead meets a forgotten statement.
#ifndef VORTIQ_TESTS_SUPPORT_REFERENCE_HEADER_H_
#define VORTIQ_TESTS_SUPPORT_REFERENCE_HEADER_H_

#include <string>
#include <string_view>

#include "io/time_stamp.h"

namespace vortiq::testing {

// What GenerateHeader(source, source_path, clock) must give, byte for byte.
[[nodiscard]] std::string ReferenceHeader(std::string_view source, std::string_view source_path,
                                          const LocalTime& clock);

}  // namespace vortiq::testing

#endif  // VORTIQ_TESTS_SUPPORT_REFERENCE_HEADER_H_
