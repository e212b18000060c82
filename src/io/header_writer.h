// Buffered writing of header text as UTF-8 bytes, without byte-order mark and
// without adding or translating line ends.
#ifndef VORTIQ_IO_HEADER_WRITER_H_
#define VORTIQ_IO_HEADER_WRITER_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "base/byte_stream.h"
#include "base/status.h"

namespace vortiq {

class HeaderWriter {
 public:
  static constexpr size_t kDefaultBufferSize = 64 * 1024;

  explicit HeaderWriter(ByteSink* sink, size_t buffer_size = kDefaultBufferSize);
  HeaderWriter(const HeaderWriter&) = delete;
  HeaderWriter& operator=(const HeaderWriter&) = delete;

  // Appends `text` (UTF-8) to the output. Full buffers go to the sink in order; a
  // text at least as large as the buffer goes there in one piece after the bytes
  // already buffered. Returns the number of bytes taken; after a failure nothing
  // more is written and the result is 0.
  size_t WriteString(std::string_view text);

  // Text made in place, without a copy: the caller appends UTF-8 text to
  // buffer() and then calls Appended, which hands the buffer to the sink once
  // it is full (or drops what was appended after a failure). Same bytes, same
  // order as WriteString.
  [[nodiscard]] std::string* buffer() { return &buffer_; }
  void Appended();

  // Hands the buffered bytes to the sink. Returns status().
  Status Flush();

  // kOk, or the first write failure.
  [[nodiscard]] Status status() const { return status_; }

 private:
  void Put(std::string_view bytes);

  ByteSink* sink_;
  size_t buffer_size_;
  std::string buffer_;
  Status status_ = Status::kOk;
};

}  // namespace vortiq

#endif  // VORTIQ_IO_HEADER_WRITER_H_
