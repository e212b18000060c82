// UTF-8 checks and conversions. Malformed UTF-8 becomes U+FFFD, one per maximal
// subpart of an ill-formed sequence (the Unicode-recommended practice, also that
// of the WHATWG Encoding Standard).
#ifndef VORTIQ_BASE_UTF8_H_
#define VORTIQ_BASE_UTF8_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace vortiq {

// The UTF-8 form of U+FFFD REPLACEMENT CHARACTER.
inline constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// Appends `bytes` to `*out` with every maximal subpart of an ill-formed sequence
// replaced by U+FFFD; well-formed text is copied unchanged. "a\xC3(" gives "a\uFFFD(".
void AppendRepairedUtf8(std::string_view bytes, std::string* out);

// `bytes` as well-formed UTF-8, as above.
[[nodiscard]] std::string RepairUtf8(std::string_view bytes);

// Bytes of the well-formed character at the start of `bytes` (1 to 4), or 0 when
// `bytes` is empty or begins with an ill-formed sequence. "\xC3\xA9x" gives 2.
[[nodiscard]] size_t WellFormedLength(std::string_view bytes) noexcept;

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD (0xEF 0xBF 0xBD).
[[nodiscard]] std::string Utf16ToUtf8(std::u16string_view text);

// UTF-16 to WTF-8: like UTF-8, but an unpaired surrogate keeps its own three-byte
// form, so that every Windows file name survives the round trip.
[[nodiscard]] std::string Utf16ToWtf8(std::u16string_view text);

// WTF-8 (and so UTF-8) back to UTF-16. Malformed bytes become U+FFFD.
[[nodiscard]] std::u16string Wtf8ToUtf16(std::string_view bytes);

// WTF-8 to well-formed UTF-8: surrogates and malformed bytes become U+FFFD.
[[nodiscard]] std::string Wtf8ToUtf8(std::string_view bytes);

}  // namespace vortiq

#endif  // VORTIQ_BASE_UTF8_H_
