// A quick test of whether a statement may begin with one of a few keywords, by
// their first four bytes without letter case. It never says no where the full
// keyword test would say yes, so the lines it rules out can be passed over.
#ifndef VORTIQ_DECLGEN_KEYWORD_PREFIXES_H_
#define VORTIQ_DECLGEN_KEYWORD_PREFIXES_H_

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <span>
#include <string_view>
#include <type_traits>

namespace vortiq {

class KeywordPrefixes {
 public:
  static constexpr size_t kMaxKeywords = 8;
  static constexpr size_t kPrefixSize = 4;

  // Lower-case keywords, at most kMaxKeywords. An empty one begins every text.
  // A set that does not fit fails to compile where it is a constant (as the
  // emitter's sets are); made at run time, it never lets a line be passed over.
  constexpr KeywordPrefixes(std::initializer_list<std::string_view> keywords)
      : KeywordPrefixes(std::span<const std::string_view>(keywords.begin(), keywords.size())) {}

  constexpr explicit KeywordPrefixes(std::span<const std::string_view> keywords) {
    if (keywords.size() > kMaxKeywords) {
      // One place with the mask 0: every text may begin with a keyword.
      DoesNotFit();
      count_ = 1;
      return;
    }
    for (const std::string_view keyword : keywords) {
      if (keyword.size() < kPrefixSize) has_short_ = true;
      uint32_t bytes = 0;
      uint32_t mask = 0;
      for (size_t i = 0; i < kPrefixSize && i < keyword.size(); ++i) {
        const unsigned shift = Shift(i);
        bytes |= static_cast<uint32_t>(static_cast<uint8_t>(keyword[i] | 0x20)) << shift;
        mask |= uint32_t{0xFF} << shift;
      }
      bool known = false;  // keywords that share their prefix need one test
      for (size_t i = 0; i < kMaxKeywords; ++i) {
        known = known || (i < count_ && bytes_[i] == bytes && masks_[i] == mask);
      }
      if (known || count_ == kMaxKeywords) continue;
      bytes_[count_] = bytes;
      for (size_t i = 0; i < kPrefixSize; ++i) {
        for (char& lane : lanes_[count_][i]) lane = static_cast<char>((bytes >> Shift(i)) & 0xFF);
      }
      masks_[count_] = mask;
      ++count_;
    }
  }

  // False when lines cannot be passed over by the first characters of their
  // statements: a keyword is shorter than kPrefixSize (the empty one begins
  // every text), or the set does not fit.
  [[nodiscard]] constexpr bool may_skip() const { return !has_short_ && fits_; }

  // The different prefixes, each of kPrefixSize bytes where may_skip().
  [[nodiscard]] constexpr size_t prefix_count() const { return count_; }
  // Byte `i` of prefix `k`, OR-ed with 0x20 (as a byte of the text OR-ed with
  // 0x20 must equal it), kLanes times over: what a 16-byte walk compares
  // sixteen bytes of text with, ready to load, and wider walks spread from
  // four of them.
  static constexpr size_t kLanes = 16;
  [[nodiscard]] const char* prefix_lanes(size_t k, size_t i) const { return lanes_[k][i]; }

  // Whether the text at `text`, of which four bytes can be read, may begin with
  // one of the keywords.
  [[nodiscard]] bool MayBegin(const char* text) const { return MayBegin(text, count_); }

  // The same where prefix_count() is `count`: a constant unrolls the loop.
  [[nodiscard]] bool MayBegin(const char* text, size_t count) const {
    uint32_t word;
    std::memcpy(&word, text, kPrefixSize);
    word |= 0x20202020U;
    bool may = false;
    for (size_t i = 0; i < count; ++i) may |= (word & masks_[i]) == bytes_[i];
    return may;
  }

  // The same for a text of any length.
  [[nodiscard]] bool MayBegin(std::string_view text) const {
    char word[kPrefixSize] = {};
    text.copy(word, kPrefixSize);
    uint32_t present = 0;  // the bytes of the text among the four
    for (size_t i = 0; i < kPrefixSize && i < text.size(); ++i)
      present |= uint32_t{0xFF} << Shift(i);
    uint32_t bytes;
    std::memcpy(&bytes, word, kPrefixSize);
    bytes |= 0x20202020U;
    bool may = false;
    // A keyword longer than the text cannot begin it.
    for (size_t i = 0; i < count_; ++i) {
      may |= (masks_[i] & ~present) == 0 && (bytes & masks_[i]) == bytes_[i];
    }
    return may;
  }

  friend bool operator==(const KeywordPrefixes&, const KeywordPrefixes&) = default;

 private:
  // More keywords than the set holds: a compile error in a constant, no
  // skipping at run time.
  constexpr void DoesNotFit() {
    if (std::is_constant_evaluated()) KeywordSetDoesNotFit();
    fits_ = false;
  }
  // Not constexpr: reaching it while a constant is evaluated stops the compiler.
  static void KeywordSetDoesNotFit() {}

  // Where byte i of a text lies in a 32-bit word read from it.
  static constexpr unsigned Shift(size_t i) {
    return 8 * static_cast<unsigned>(
                   std::endian::native == std::endian::little ? i : kPrefixSize - 1 - i);
  }

  uint32_t bytes_[kMaxKeywords] = {};
  uint32_t masks_[kMaxKeywords] = {};
  alignas(kLanes) char lanes_[kMaxKeywords][kPrefixSize][kLanes] = {};
  size_t count_ = 0;
  bool has_short_ = false;
  bool fits_ = true;
};

}  // namespace vortiq

#endif  // VORTIQ_DECLGEN_KEYWORD_PREFIXES_H_
