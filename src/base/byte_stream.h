// Where source bytes come from and header bytes go to: a file of the platform
// layer in the tool, memory in tests and in the in-memory generator.
#ifndef VORTIQ_BASE_BYTE_STREAM_H_
#define VORTIQ_BASE_BYTE_STREAM_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "base/status.h"

namespace vortiq {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to `capacity` bytes into `buffer` and sets `*count` to the number
  // read; 0 with kOk means the end of the source.
  virtual Status Read(char* buffer, size_t capacity, size_t* count) = 0;
};

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Writes all of `bytes`, or fails.
  virtual Status Write(std::string_view bytes) = 0;
};

// Reads from bytes in memory, which must outlive it.
class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::string_view bytes) : rest_(bytes) {}
  Status Read(char* buffer, size_t capacity, size_t* count) override {
    *count = rest_.copy(buffer, capacity);
    rest_.remove_prefix(*count);
    return Status::kOk;
  }

 private:
  std::string_view rest_;
};

// Appends to a string.
class StringSink final : public ByteSink {
 public:
  explicit StringSink(std::string* bytes) : bytes_(bytes) {}
  Status Write(std::string_view bytes) override {
    bytes_->append(bytes);
    return Status::kOk;
  }

 private:
  std::string* bytes_;
};

}  // namespace vortiq

#endif  // VORTIQ_BASE_BYTE_STREAM_H_
