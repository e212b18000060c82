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

  // True when the bytes may be read ahead on another thread while earlier ones
  // are used: the source ends by itself, as a regular file does, and Read may
  // be called from any one thread at a time. A pipe is not: the run could end
  // while a read ahead still waits for a writer.
  [[nodiscard]] virtual bool MayReadAhead() const { return false; }
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
  // `read_ahead` lets readers read it on another thread (for tests of that).
  explicit MemorySource(std::string_view bytes, bool read_ahead = false)
      : rest_(bytes), read_ahead_(read_ahead) {}
  Status Read(char* buffer, size_t capacity, size_t* count) override {
    *count = rest_.copy(buffer, capacity);
    rest_.remove_prefix(*count);
    return Status::kOk;
  }
  [[nodiscard]] bool MayReadAhead() const override { return read_ahead_; }

 private:
  std::string_view rest_;
  bool read_ahead_;
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
