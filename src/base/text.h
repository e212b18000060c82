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

#include <cstddef>
#include <cstdint>
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

// ASCII lower case of one byte: A to Z become a to z, nothing else changes.
[[nodiscard]] constexpr char LowerAscii(char c) noexcept {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

// True when `text` begins with `keyword` in any ASCII letter case (A to Z only,
// as LowerAscii maps them). `keyword` must be lower case.
// StartsWithKeyword("Procedure X", "procedure ").
[[nodiscard]] constexpr bool StartsWithKeyword(std::string_view text,
                                               std::string_view keyword) noexcept {
  if (text.size() < keyword.size()) return false;
  for (size_t i = 0; i < keyword.size(); ++i) {
    if (LowerAscii(text[i]) != keyword[i]) return false;
  }
  return true;
}

// True when `text` ends with `keyword` as StartsWithKeyword compares it;
// `keyword` lower case. EndsWithKeyword("(a, LIST ", "list ").
[[nodiscard]] constexpr bool EndsWithKeyword(std::string_view text,
                                             std::string_view keyword) noexcept {
  return text.size() >= keyword.size() &&
         StartsWithKeyword(text.substr(text.size() - keyword.size()), keyword);
}

// Removes the runs of kBlank (U+0020 SPACE) at both ends; tabs and other blanks stay.
[[nodiscard]] constexpr std::string_view Trim(std::string_view text) noexcept {
  const size_t first = text.find_first_not_of(kBlank);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlank) + 1 - first);
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
