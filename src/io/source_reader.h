// Reading a PureBasic source as lines of UTF-8 text.
//
// Lines end at LF, CR LF, a lone CR and a zero byte. A lead byte 0xC0..0xF7 takes
// the following 1 to 3 bytes as its continuation without looking at them (so a
// line end among them stays in the line), a stray byte 0x80..0xBF or 0xF8..0xFF
// becomes '?',
// and a character cut off by the end of the file is dropped. The bytes of a line
// are then decoded up to a zero byte, each malformed sequence giving U+FFFD; a
// byte-order mark is not recognised and stays as U+FEFF.
#ifndef VORTIQ_IO_SOURCE_READER_H_
#define VORTIQ_IO_SOURCE_READER_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/byte_stream.h"
#include "base/status.h"

namespace vortiq {

class SourceReader {
 public:
  static constexpr size_t kDefaultBufferSize = 128 * 1024;

  explicit SourceReader(ByteSource* source, size_t buffer_size = kDefaultBufferSize);
  SourceReader(const SourceReader&) = delete;
  SourceReader& operator=(const SourceReader&) = delete;

  // True when no byte is left to read (or reading failed). Refills the buffer
  // if needed, which ends the validity of the line returned last.
  [[nodiscard]] bool Eof() { return position_ == filled_ && !Refill(); }

  // The next line without its line end, as well-formed UTF-8; "" at the end. The
  // view stays valid until the next call of ReadString or Eof.
  [[nodiscard]] std::string_view ReadString();

  // False when the line returned last certainly holds no ':', so it is a single
  // statement; true when it may hold one. Found in the same pass as the line end.
  [[nodiscard]] bool LineMayHoldColon() const { return may_hold_colon_; }

  // The bytes buffered but not yet read, from the start of the next line (empty
  // at the end; call after Eof). Valid until the next ReadString or Eof.
  [[nodiscard]] std::string_view Unread() const {
    return std::string_view(data_ + position_, filled_ - position_);
  }

  // Passes over the first `count` bytes of Unread, which must end where a line
  // begins (as a walk over whole lines finds).
  void Skip(size_t count) { position_ += count; }

  // kOk, or the first read failure; reading stops there as at the end of the file.
  [[nodiscard]] Status status() const { return status_; }

 private:
  std::string_view ReadLine();  // ReadString for any line
  bool Refill();                // true when unread bytes are buffered
  bool TakeByte(char* byte);    // false at the end
  // `bytes` decoded up to a zero byte, each malformed sequence as U+FFFD.
  std::string_view Repaired(std::string_view bytes);

  ByteSource* source_;
  std::unique_ptr<char[]> buffer_;
  const char* data_;  // the bytes in use: buffer_, or none once exhausted
  size_t buffer_size_;
  size_t position_ = 0;  // next byte to take
  size_t filled_ = 0;    // bytes in the buffer
  bool exhausted_ = false;
  bool may_hold_colon_ = false;
  Status status_ = Status::kOk;
  std::string line_;      // a line that crosses buffer refills or holds bytes to replace
  std::string repaired_;  // the decoded form of such a line
};

}  // namespace vortiq

#endif  // VORTIQ_IO_SOURCE_READER_H_
