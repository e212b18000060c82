#include "io/source_reader.h"

#include <cstdint>
#include <cstring>

#include "io/utf8.h"

namespace vortiq {
namespace {

constexpr uint64_t kOnes = 0x0101010101010101ULL;
constexpr uint64_t kHighBits = 0x8080808080808080ULL;

constexpr uint64_t HasZeroByte(uint64_t word) { return (word - kOnes) & ~word & kHighBits; }

// First byte in [p, end) that ends a line or starts a non-ASCII character:
// 00, 0A, 0D or 80..FF; `end` when there is none.
const char* FindLineSpecial(const char* p, const char* end) {
  for (; end - p >= 8; p += 8) {
    uint64_t word;
    std::memcpy(&word, p, 8);
    if ((word & kHighBits) | HasZeroByte(word) | HasZeroByte(word ^ (kOnes * '\n')) |
        HasZeroByte(word ^ (kOnes * '\r'))) {
      break;
    }
  }
  for (; p < end; ++p) {
    const auto byte = static_cast<uint8_t>(*p);
    if (byte >= 0x80 || byte == 0 || byte == '\n' || byte == '\r') return p;
  }
  return end;
}

// Bytes a character with this lead byte occupies; 0 for a stray byte.
int CharacterLength(uint8_t lead) {
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 0;
}

}  // namespace

Status MemorySource::Read(char* buffer, size_t capacity, size_t* count) {
  *count = rest_.copy(buffer, capacity);
  rest_.remove_prefix(*count);
  return Status::kOk;
}

SourceReader::SourceReader(ByteSource* source, size_t buffer_size)
    : source_(source),
      buffer_(new char[buffer_size == 0 ? 1 : buffer_size]),
      buffer_size_(buffer_size == 0 ? 1 : buffer_size) {}

bool SourceReader::Refill() {
  if (position_ < filled_) return true;
  position_ = filled_ = 0;
  if (exhausted_) return false;
  size_t count = 0;
  const Status status = source_->Read(buffer_.get(), buffer_size_, &count);
  if (status != Status::kOk) {
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
  *byte = buffer_[position_++];
  return true;
}

bool SourceReader::Eof() { return !Refill(); }

std::string_view SourceReader::ReadString() {
  line_.clear();
  bool collected = false;  // the line is assembled in line_ rather than seen in the buffer
  bool non_ascii = false;
  size_t start = position_;
  for (;;) {
    if (position_ == filled_) {
      line_.append(buffer_.get() + start, position_ - start);
      collected = true;
      if (!Refill()) return FinishLine(line_, non_ascii);
      start = position_;
    }
    const char* const base = buffer_.get();
    const char* found = FindLineSpecial(base + position_, base + filled_);
    position_ = static_cast<size_t>(found - base);
    if (position_ == filled_) continue;

    const auto byte = static_cast<uint8_t>(*found);
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
        if (Refill() && buffer_[position_] == '\n') ++position_;
      }
      return FinishLine(text, non_ascii);
    }

    non_ascii = true;
    const int length = CharacterLength(byte);
    if (length == 0) {
      line_.push_back('?');
    } else {
      line_.push_back(static_cast<char>(byte));
      for (int taken = 1; taken < length; ++taken) {
        char next;
        if (!TakeByte(&next)) {
          line_.erase(line_.size() - static_cast<size_t>(taken));  // cut off: dropped
          return FinishLine(line_, non_ascii);
        }
        line_.push_back(next);
      }
    }
    start = position_;
  }
}

std::string_view SourceReader::FinishLine(std::string_view bytes, bool non_ascii) {
  if (!non_ascii) return bytes;
  // Decoding stops at the first zero byte; only a continuation byte can be one.
  bytes = bytes.substr(0, bytes.find('\0'));
  repaired_.clear();
  AppendRepairedUtf8(bytes, &repaired_);
  return repaired_;
}

}  // namespace vortiq
