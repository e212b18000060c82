// Names of the temporary files a header is written to before it takes the
// header's place.
#ifndef VORTIQ_IO_TEMPORARY_NAME_H_
#define VORTIQ_IO_TEMPORARY_NAME_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vortiq {

// Longest file name, in bytes of UTF-8 (or WTF-8), that every file system takes:
// 255 bytes on POSIX systems, 255 UTF-16 units on Windows.
inline constexpr size_t kMaxFileNameLength = 255;

// ".<header name>.<8 characters from entropy>.tmp", for example
// ".demo.pbi.k3x9q0za.tmp", with the header name cut short (between characters)
// where the whole would exceed kMaxFileNameLength, so that the temporary file
// fits wherever the header does. Distinct entropy gives distinct names with high
// probability; callers create the file exclusively and retry on a clash.
[[nodiscard]] std::string TemporaryName(std::string_view header_name, uint64_t entropy);

}  // namespace vortiq

#endif  // VORTIQ_IO_TEMPORARY_NAME_H_
