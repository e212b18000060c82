// The whole generation of a header from a source, in one streaming pass: lines
// are read, cut into statements and handed to emission as they come, and header
// text goes out as it is produced, so memory stays small whatever the sizes.
#ifndef VORTIQ_RUN_GENERATE_H_
#define VORTIQ_RUN_GENERATE_H_

#include <string>
#include <string_view>

#include "base/byte_stream.h"
#include "base/status.h"
#include "io/header_writer.h"
#include "io/source_reader.h"
#include "io/time_stamp.h"

namespace vortiq {

// Reads `source` to its end and writes the complete header to `header`, closing
// line included, then flushes it. `source_path` is the source path as
// well-formed UTF-8 text (PathToText) and `date` the time stamp. The reader's
// buffer size changes nothing in the header (tests and fuzzers vary it). Returns
// kOk, or the first read or write failure (the output is then incomplete and
// must be discarded).
Status GenerateHeader(ByteSource* source, std::string_view source_path, DateValue date,
                      HeaderWriter* header,
                      size_t read_buffer_size = SourceReader::kDefaultBufferSize);

// The header for the source bytes `source` at `source_path` (a path in the
// platform's encoding), generated at the local time `clock`. Deterministic: the
// same arguments give the same bytes.
[[nodiscard]] std::string GenerateHeader(std::string_view source, std::string_view source_path,
                                         const LocalTime& clock);

}  // namespace vortiq

#endif  // VORTIQ_RUN_GENERATE_H_
