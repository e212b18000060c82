// Text primitives that every decision about a statement is made with.
//
// Text is UTF-8 held in std::string / std::string_view. Lengths and positions
// count bytes and positions start at 1, as in PureBasic. Every caller cuts text
// next to ASCII characters only (keywords, blanks, separators), where byte
// positions and character positions pick the same characters, so the results
// are those of the character-based PureBasic functions of the same names.
// Nothing here depends on the locale.
#ifndef VORTIQ_BASE_TEXT_H_
#define VORTIQ_BASE_TEXT_H_

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace vortiq {

// The only blank Trim removes: a statement begins after a run of it, and a tab
// or any other blank before a keyword hides the keyword.
inline constexpr char kBlank = ' ';

// What separates the statements of a line (a single one: "::" joins a module
// and a name).
inline constexpr char kStatementSeparator = ':';

// Everything from position `start` to the end. Mid("abc", 2) == "bc".
[[nodiscard]] std::string_view Mid(std::string_view text, int64_t start) noexcept;

// ASCII lower case of one byte. Without a branch: whether a statement's first
// letter is a capital cannot be predicted.
[[nodiscard]] constexpr char LowerAscii(char c) noexcept {
  const bool capital = static_cast<unsigned char>(c - 'A') < 26;
  return static_cast<char>(c | (capital ? 0x20 : 0));
}

namespace text_internal {

// The first `count` (at most 8) bytes at `p` as a word, in memory order, the
// rest of it 0.
inline uint64_t LoadWord(const char* p, size_t count) noexcept {
  uint64_t word = 0;
  std::memcpy(&word, p, count);
  return word;
}

// 0x20 in every byte of `word` that holds a lower-case ASCII letter, 0
// elsewhere: OR-ed into a text's bytes, it folds their letter case at those
// places only. Each byte is looked at without its top bit, so that no sum
// carries into the next.
constexpr uint64_t CaseBits(uint64_t word) noexcept {
  constexpr uint64_t kOnes = 0x0101010101010101ULL;
  const uint64_t low = word & (kOnes * 0x7F);
  const uint64_t from_a = low + kOnes * (0x80 - 'a');      // top bit set from 'a' on
  const uint64_t past_z = low + kOnes * (0x80 - 'z' - 1);  // top bit set past 'z'
  return (from_a & ~past_z & ~word & (kOnes * 0x80)) >> 2;
}

// Whether the bytes of `text` equal those of the lower-case `keyword`, letters
// in any case.
constexpr bool WordStartsWith(uint64_t text, uint64_t keyword) noexcept {
  return (text | CaseBits(keyword)) == keyword;
}

}  // namespace text_internal

// True when `text` begins with `keyword` in any ASCII letter case (A to Z only,
// as LowerAscii maps them). `keyword` must be lower case.
// StartsWithKeyword("Procedure X", "procedure ").
// Inline: it runs for nearly every statement. Keywords of up to 16 bytes are
// compared as one or two words (the second overlapping the first).
[[nodiscard]] inline bool StartsWithKeyword(std::string_view text,
                                            std::string_view keyword) noexcept {
  using text_internal::LoadWord;
  using text_internal::WordStartsWith;
  const size_t size = keyword.size();
  if (text.size() < size) return false;
  if (size <= 8) return WordStartsWith(LoadWord(text.data(), size), LoadWord(keyword.data(), size));
  if (size <= 16) {
    return WordStartsWith(LoadWord(text.data(), 8), LoadWord(keyword.data(), 8)) &&
           WordStartsWith(LoadWord(text.data() + size - 8, 8),
                          LoadWord(keyword.data() + size - 8, 8));
  }
  for (size_t i = 0; i < size; ++i) {
    if (LowerAscii(text[i]) != keyword[i]) return false;
  }
  return true;
}

// True when `text` ends with `keyword` as StartsWithKeyword compares it;
// `keyword` lower case. EndsWithKeyword("(a, LIST ", "list ").
[[nodiscard]] inline bool EndsWithKeyword(std::string_view text,
                                          std::string_view keyword) noexcept {
  return text.size() >= keyword.size() &&
         StartsWithKeyword(text.substr(text.size() - keyword.size()), keyword);
}

// Removes the runs of kBlank (U+0020 SPACE) at both ends; tabs and other blanks stay.
[[nodiscard]] inline std::string_view Trim(std::string_view text) noexcept {
  size_t first = 0;
  // Indentation runs over several spaces: look at eight bytes at a time.
  while (text.size() - first >= 8) {
    uint64_t word;
    std::memcpy(&word, text.data() + first, 8);
    const uint64_t others = word ^ (0x0101010101010101ULL * kBlank);  // zero where the blanks are
    if (others != 0) {
      const int bits = std::endian::native == std::endian::little ? std::countr_zero(others)
                                                                  : std::countl_zero(others);
      first += static_cast<size_t>(bits / 8);
      break;
    }
    first += 8;
  }
  while (first < text.size() && text[first] == kBlank) ++first;
  size_t end = text.size();
  while (end > first && text[end - 1] == kBlank) --end;
  return text.substr(first, end - first);
}

// Extension of the path's last component without its dot; "" when there is none.
// The backward scan stops at '/', '\\' and ' ', and the extension ends at a '"'.
// GetExtensionPart("C:\\dir\\file.pb") == "pb"; GetExtensionPart("file.p b") == "".
[[nodiscard]] std::string_view GetExtensionPart(std::string_view path) noexcept;

// Last component of the path, after the last '/' or '\\' and up to a '"'; a leading
// '"' is skipped. GetFilePart("dir/sub\\x.sb") == "x.sb".
[[nodiscard]] std::string_view GetFilePart(std::string_view path) noexcept;

}  // namespace vortiq

#endif  // VORTIQ_BASE_TEXT_H_
