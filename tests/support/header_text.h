// Expected header text in end-to-end tests, where the time stamp is the clock's.
#ifndef VORTIQ_TESTS_SUPPORT_HEADER_TEXT_H_
#define VORTIQ_TESTS_SUPPORT_HEADER_TEXT_H_

#include <string>
#include <string_view>

namespace vortiq::testing {

// The header with its time stamp, "hh:ii:ss dd.mm.yyyy", replaced by a fixed one.
inline std::string WithFixedTime(std::string header) {
  constexpr std::string_view kBefore = "' header, generated at ";
  const size_t at = header.find(kBefore);
  if (at != std::string::npos && header.size() >= at + kBefore.size() + 19) {
    header.replace(at + kBefore.size(), 19, "09:41:07 06.12.2026");
  }
  return header;
}

// The four opening lines of a header for a source named `file_part`, with the
// fixed time stamp of WithFixedTime.
inline std::string Prologue(std::string_view file_part) {
  return ";- VORTIQ V5.72 [https://vortiq.org]\r\n;- '" + std::string(file_part) +
         "' header, generated at 09:41:07 06.12.2026.\r\n\r\nCompilerIf #PB_Compiler_Module = "
         "\"\"\r\n";
}

// A header as an earlier run wrote it: the run may replace it (a file without
// the marker of a generated header is kept).
inline constexpr std::string_view kOldHeader =
    ";- VORTIQ V5.72 [https://vortiq.org]\r\n;- 'old.pb' header, generated at 09:41:07 "
    "06.12.2026.\r\n\r\nCompilerIf #PB_Compiler_Module = \"\"\r\nDeclare Old()\r\nCompilerEndIf";

}  // namespace vortiq::testing

#endif  // VORTIQ_TESTS_SUPPORT_HEADER_TEXT_H_
