#include "base/utf8.h"

#include <cstdint>
#include <cstring>

namespace vortiq {
namespace {

// Length of the ill-formed or well-formed sequence at the start of `bytes`
// (not empty): returns the number of bytes it occupies and sets `*valid`.
// With `allow_surrogates`, 0xED 0xA0..0xBF 0x80..0xBF (WTF-8) counts as well-formed.
size_t SequenceLength(std::string_view bytes, bool allow_surrogates, bool* valid) {
  const auto at = [&](size_t i) { return static_cast<uint8_t>(bytes[i]); };
  const uint8_t lead = at(0);
  *valid = true;
  if (lead < 0x80) return 1;
  size_t length = 0;
  uint8_t low = 0x80;  // range of the second byte
  uint8_t high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED && !allow_surrogates) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    *valid = false;  // 0xC0, 0xC1, 0xF5..0xFF and stray continuation bytes
    return 1;
  }
  for (size_t i = 1; i < length; ++i) {
    if (i >= bytes.size()) {
      *valid = false;
      return i;
    }
    const uint8_t b = at(i);
    const bool in_range = i == 1 ? (b >= low && b <= high) : (b >= 0x80 && b <= 0xBF);
    if (!in_range) {
      *valid = false;
      return i;  // the maximal subpart ends before this byte
    }
  }
  return length;
}

// Decodes the well-formed sequence of `length` bytes at `p`.
char32_t DecodeSequence(const char* p, size_t length) {
  const auto at = [&](size_t i) { return static_cast<char32_t>(static_cast<uint8_t>(p[i])); };
  switch (length) {
    case 1:
      return at(0);
    case 2:
      return ((at(0) & 0x1F) << 6) | (at(1) & 0x3F);
    case 3:
      return ((at(0) & 0x0F) << 12) | ((at(1) & 0x3F) << 6) | (at(2) & 0x3F);
    default:
      return ((at(0) & 0x07) << 18) | ((at(1) & 0x3F) << 12) | ((at(2) & 0x3F) << 6) |
             (at(3) & 0x3F);
  }
}

void AppendCodePoint(char32_t code_point, std::string* out) {
  if (code_point < 0x80) {
    out->push_back(static_cast<char>(code_point));
  } else if (code_point < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (code_point >> 6)));
    out->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  } else if (code_point < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (code_point >> 12)));
    out->push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (code_point >> 18)));
    out->push_back(static_cast<char>(0x80 | ((code_point >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  }
}

std::string Utf16ToUtf8Impl(std::u16string_view text, bool keep_unpaired) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      AppendCodePoint(0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00), &out);
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF && !keep_unpaired) {
      out.append(kReplacementCharacter);
    } else {
      AppendCodePoint(unit, &out);
    }
  }
  return out;
}

}  // namespace

void AppendRepairedUtf8(std::string_view bytes, std::string* out) {
  while (!bytes.empty()) {
    bool valid;
    const size_t length = SequenceLength(bytes, /*allow_surrogates=*/false, &valid);
    if (valid) {
      out->append(bytes.data(), length);
    } else {
      out->append(kReplacementCharacter);
    }
    bytes.remove_prefix(length);
  }
}

std::string RepairUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  AppendRepairedUtf8(bytes, &out);
  return out;
}

size_t WellFormedLength(std::string_view bytes) noexcept {
  if (bytes.empty()) return 0;
  bool valid;
  const size_t length = SequenceLength(bytes, /*allow_surrogates=*/false, &valid);
  return valid ? length : 0;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  return Utf16ToUtf8Impl(text, /*keep_unpaired=*/false);
}

std::string Utf16ToWtf8(std::u16string_view text) {
  return Utf16ToUtf8Impl(text, /*keep_unpaired=*/true);
}

std::u16string Wtf8ToUtf16(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  while (!bytes.empty()) {
    bool valid;
    const size_t length = SequenceLength(bytes, /*allow_surrogates=*/true, &valid);
    const char32_t code_point = valid ? DecodeSequence(bytes.data(), length) : 0xFFFD;
    if (code_point >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((code_point - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((code_point - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(code_point));
    }
    bytes.remove_prefix(length);
  }
  return out;
}

std::string Wtf8ToUtf8(std::string_view bytes) { return Utf16ToUtf8(Wtf8ToUtf16(bytes)); }

}  // namespace vortiq
