// Names of the temporary files a header is written to before it takes the
// header's place.
#ifndef VORTIQ_IO_TEMPORARY_NAME_H_
#define VORTIQ_IO_TEMPORARY_NAME_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace vortiq {

// ".<header name>.<8 characters from entropy>.tmp", for example
// ".demo.pbi.k3x9q0za.tmp". Distinct entropy gives distinct names with high
// probability; callers create the file exclusively and retry on a clash.
[[nodiscard]] std::string TemporaryName(std::string_view header_name, uint64_t entropy);

}  // namespace vortiq

#endif  // VORTIQ_IO_TEMPORARY_NAME_H_
