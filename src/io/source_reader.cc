#include "io/source_reader.h"

#include <bit>
#include <cstdint>
#include <memory>

#include "base/utf8.h"
#include "io/line_scan.h"

namespace vortiq {
namespace {

// Bytes a character with this lead byte occupies; 0 for a stray byte.
int CharacterLength(uint8_t lead) {
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 0;
}

}  // namespace

SourceReader::SourceReader(ByteSource* source, size_t buffer_size)
    : source_(source),
      buffer_(new char[buffer_size == 0 ? 1 : buffer_size]),
      data_(buffer_.get()),
      buffer_size_(buffer_size == 0 ? 1 : buffer_size) {}

bool SourceReader::Refill() {
  if (position_ < filled_) return true;
  position_ = filled_ = 0;
  if (exhausted_) return false;
  size_t count = 0;
  if (const Status status = source_->Read(buffer_.get(), buffer_size_, &count);
      status != Status::kOk) {
    UpdateStatus(&status_, status);
    count = 0;
  }
  if (count == 0) {
    exhausted_ = true;
    return false;
  }
  filled_ = count;
  return true;
}

bool SourceReader::TakeByte(char* byte) {
  if (!Refill()) return false;
  *byte = data_[position_++];
  return true;
}

std::string_view SourceReader::ReadString() {
  // The usual line is well-formed UTF-8 and ends inside the buffer: it is
  // found 16 bytes at a time and returned in place. Every other line goes the
  // general way.
  const char* const base = data_;
  const char* const limit = base + filled_;
  const size_t start = position_;
  bool colon = false;
  for (const char* p = base + start;;) {
    p = FindLineSpecial(p, limit, &colon);
    // LF, a zero byte, CR LF or a lone CR: a CR at the end of the buffer needs
    // the next byte, which the general way reads.
    if (p == limit || (*p == '\r' && p + 1 == limit)) return ReadLine();
    if (*p == '\n' || *p == '\0' || *p == '\r') {
      const auto found = static_cast<size_t>(p - base);
      position_ = found + (*p == '\r' && p[1] == '\n' ? 2 : 1);
      may_hold_colon_ = colon;
      return std::string_view(base + start, found - start);
    }
    // A well-formed character stays as it is; anything else needs the general way.
    const size_t length = WellFormedLength(std::string_view(p, static_cast<size_t>(limit - p)));
    if (length == 0) return ReadLine();
    p += length;
  }
}

std::string_view SourceReader::ReadLine() {
  line_.clear();
  may_hold_colon_ = false;
  bool collected = false;  // the line is assembled in line_ rather than seen in the buffer
  bool repair = false;     // a lead byte took bytes that may not form its character
  size_t start = position_;
  for (;;) {
    if (position_ == filled_) {
      line_.append(data_ + start, position_ - start);
      collected = true;
      if (!Refill()) return repair ? Repaired(line_) : line_;
      start = position_;
    }
    const char* const base = data_;
    const char* found = FindLineSpecial(base + position_, base + filled_, &may_hold_colon_);
    position_ = static_cast<size_t>(found - base);
    if (position_ == filled_) continue;

    const auto byte = static_cast<uint8_t>(*found);
    if (byte >= 0x80) {
      // A well-formed character wholly in the buffer stays as it is: the usual
      // non-ASCII text is neither copied nor decoded.
      const size_t length = WellFormedLength(std::string_view(found, filled_ - position_));
      if (length > 0) {
        position_ += length;
        continue;
      }
    }
    std::string_view text(base + start, position_ - start);
    ++position_;
    if (collected || byte >= 0x80) {
      line_.append(text);
      text = line_;
      collected = true;
    }
    if (byte < 0x80) {  // LF, CR or a zero byte: the line ends here
      if (byte == '\r') {
        if (position_ == filled_ && !collected) {
          line_.assign(text);  // the refill below reuses the buffer
          text = line_;
        }
        if ((position_ < filled_ || Refill()) && data_[position_] == '\n') ++position_;
      }
      return repair ? Repaired(text) : text;
    }

    const int length = CharacterLength(byte);
    if (length == 0) {
      line_.push_back('?');
    } else {
      repair = true;
      may_hold_colon_ = true;  // the bytes it takes are not looked at
      line_.push_back(static_cast<char>(byte));
      for (int taken = 1; taken < length; ++taken) {
        char next;
        if (!TakeByte(&next)) {
          line_.erase(line_.size() - static_cast<size_t>(taken));  // cut off: dropped
          return Repaired(line_);
        }
        line_.push_back(next);
      }
    }
    start = position_;
  }
}

std::string_view SourceReader::Repaired(std::string_view bytes) {
  // Decoding stops at the first zero byte; only a continuation byte can be one.
  bytes = bytes.substr(0, bytes.find('\0'));
  repaired_.clear();
  AppendRepairedUtf8(bytes, &repaired_);
  return repaired_;
}

}  // namespace vortiq
