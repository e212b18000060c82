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

// True when `text` begins with `keyword` in any ASCII letter case (A to Z only,
// as LowerAscii maps them). `keyword` must be lower case.
// StartsWithKeyword("Procedure X", "procedure ").
// Inline: it runs for nearly every statement, and most fail at the first byte.
[[nodiscard]] inline bool StartsWithKeyword(std::string_view text,
                                            std::string_view keyword) noexcept {
  // The first character decides for nearly every statement, so it goes first.
  if (text.empty() || keyword.empty()) return keyword.empty();
  if (LowerAscii(text[0]) != keyword[0] || text.size() < keyword.size()) return false;
  for (size_t i = 1; i < keyword.size(); ++i) {
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
