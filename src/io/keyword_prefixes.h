// A quick test of whether a statement may begin with one of a few keywords, by
// their first four bytes without letter case. It never says no where the full
// keyword test would say yes, so the lines it rules out can be passed over.
#ifndef VORTIQ_IO_KEYWORD_PREFIXES_H_
#define VORTIQ_IO_KEYWORD_PREFIXES_H_

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string_view>

namespace vortiq {

class KeywordPrefixes {
 public:
  static constexpr size_t kMaxKeywords = 4;
  static constexpr size_t kPrefixSize = 4;

  // Lower-case keywords, at most kMaxKeywords. An empty one begins every text.
  constexpr KeywordPrefixes(std::initializer_list<std::string_view> keywords) {
    for (const std::string_view keyword : keywords) {
      if (count_ == kMaxKeywords) break;
      if (keyword.empty()) begins_all_ = true;
      uint32_t bytes = 0;
      uint32_t mask = 0;
      for (size_t i = 0; i < kPrefixSize && i < keyword.size(); ++i) {
        const unsigned shift =
            8 * static_cast<unsigned>(std::endian::native == std::endian::little ? i : 3 - i);
        bytes |= static_cast<uint32_t>(static_cast<uint8_t>(keyword[i] | 0x20)) << shift;
        mask |= uint32_t{0xFF} << shift;
      }
      bytes_[count_] = bytes;
      masks_[count_] = mask;
      ++count_;
    }
    // Unused places repeat the first keyword, so every place may be compared;
    // with no keyword, a mask no text can match.
    if (count_ == 0) {
      bytes_[0] = 0;
      masks_[0] = ~uint32_t{0};
    }
    for (size_t i = count_ == 0 ? 1 : count_; i < kMaxKeywords; ++i) {
      bytes_[i] = bytes_[0];
      masks_[i] = masks_[0];
    }
  }

  // True when a keyword is empty, so that every text may begin with one.
  [[nodiscard]] bool begins_all() const { return begins_all_; }

  // The first byte of each keyword OR-ed with 20, as a byte of the text OR-ed
  // with 20 must equal it (kMaxKeywords of them, repeated where fewer).
  [[nodiscard]] char initial(size_t i) const {
    return static_cast<char>(std::endian::native == std::endian::little ? bytes_[i] & 0xFF
                                                                        : bytes_[i] >> 24);
  }

  // Whether the text at `text`, of which four bytes can be read, may begin with
  // one of the keywords.
  [[nodiscard]] bool MayBegin(const char* text) const {
    uint32_t word;
    std::memcpy(&word, text, kPrefixSize);
    word |= 0x20202020U;
    bool may = false;
    for (size_t i = 0; i < kMaxKeywords; ++i) may |= (word & masks_[i]) == bytes_[i];
    return may;
  }

  // The same for a text of any length.
  [[nodiscard]] bool MayBegin(std::string_view text) const {
    char word[kPrefixSize] = {};
    text.copy(word, kPrefixSize);
    uint32_t present = 0;  // the bytes of the text among the four
    for (size_t i = 0; i < kPrefixSize && i < text.size(); ++i) {
      present |= uint32_t{0xFF} << (8 * (std::endian::native == std::endian::little
                                             ? i
                                             : kPrefixSize - 1 - i));
    }
    uint32_t bytes;
    std::memcpy(&bytes, word, kPrefixSize);
    bytes |= 0x20202020U;
    bool may = false;
    // A keyword longer than the text cannot begin it.
    for (size_t i = 0; i < kMaxKeywords; ++i) {
      may |= (masks_[i] & ~present) == 0 && (bytes & masks_[i]) == bytes_[i];
    }
    return may;
  }

 private:
  uint32_t bytes_[kMaxKeywords] = {};
  uint32_t masks_[kMaxKeywords] = {};
  size_t count_ = 0;
  bool begins_all_ = false;
};

}  // namespace vortiq

#endif  // VORTIQ_IO_KEYWORD_PREFIXES_H_
