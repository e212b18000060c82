#include "base/utf8.h"

#include <gtest/gtest.h>

namespace vortiq {
namespace {

constexpr std::string_view R = kReplacementCharacter;

std::string Cat(std::initializer_list<std::string_view> parts) {
  std::string text;
  for (std::string_view part : parts) text += part;
  return text;
}

TEST(Utf8Test, RepairReplacesEachMaximalSubpart) {
  struct Case {
    std::string bytes, repaired;
  };
  const Case cases[] = {
      {"plain", "plain"},
      {"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
      {"\xC2\x80\xF4\x8F\xBF\xBF", "\xC2\x80\xF4\x8F\xBF\xBF"},  // U+0080 and U+10FFFF
      {"\xDF\xBF\xE0\xA0\x80", "\xDF\xBF\xE0\xA0\x80"},          // U+07FF and U+0800
      {"\xEF\xBB\xBF"
       "a",
       "\xEF\xBB\xBF"
       "a"},
      {"\xC3", std::string(R)},
      {"\xC3(", Cat({R, "("})},
      {"\xE2\x82", std::string(R)},  // one truncated sequence, one U+FFFD
      {"\xE2\x82(", Cat({R, "("})},
      {"\xF0\x9F\x98", std::string(R)},
      {"\xC0\x80", Cat({R, R})},                // overlong: C0 is never a lead
      {"\xE0\x80\x80", Cat({R, R, R})},         // overlong three-byte form
      {"\xED\xA0\x80", Cat({R, R, R})},         // a surrogate
      {"\xF4\x90\x80\x80", Cat({R, R, R, R})},  // above U+10FFFF
      {"\xF5\x80", Cat({R, R})},
      {"\x80\xBF", Cat({R, R})},
      {"\xF1\x80\x80\xE1\x80\xC2", Cat({R, R, R})},
      {"a\xC3\xA9\xC3", Cat({"a\xC3\xA9", R})},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RepairUtf8(c.bytes), c.repaired);
    EXPECT_EQ(RepairUtf8(c.repaired), c.repaired);
  }
}

TEST(Utf8Test, Utf16Conversions) {
  EXPECT_EQ(Utf16ToUtf8(u"\u00E9\u20AC"), "\xC3\xA9\xE2\x82\xAC");
  // The first and last code point of each length.
  EXPECT_EQ(Utf16ToUtf8(u"\u007F\u0080\u07FF\u0800\uFFFF"),
            "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF");
  EXPECT_EQ(Utf16ToUtf8(u"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
  const std::u16string unpaired = {u'a', char16_t(0xD83D), u'b', char16_t(0xDE00)};
  EXPECT_EQ(Utf16ToUtf8(unpaired), Cat({"a", R, "b", R}));
  // WTF-8 keeps unpaired surrogates, so file names round-trip.
  EXPECT_EQ(Wtf8ToUtf16(Utf16ToWtf8(unpaired)), unpaired);
  EXPECT_EQ(Wtf8ToUtf8(Utf16ToWtf8(unpaired)), Cat({"a", R, "b", R}));
  EXPECT_EQ(Wtf8ToUtf16("\xF0\x9F\x98\x80x"), u"\xD83D\xDE00x");
  EXPECT_EQ(Wtf8ToUtf16("\xFF"), u"\xFFFD");
}

// A pair only where a high surrogate (D800..DBFF) is followed, within the text,
// by a low one (DC00..DFFF); any other surrogate stands alone.
TEST(Utf8Test, Utf16SurrogateEdges) {
  struct Case {
    std::u16string_view text;
    std::string utf8;
  };
  const Case cases[] = {
      {u"\xD800\xDC00", "\xF0\x90\x80\x80"},              // U+10000, the first of four bytes
      {u"\xDBFF\xDFFF", "\xF4\x8F\xBF\xBF"},              // U+10FFFF
      {u"\xD7FF\xE000", "\xED\x9F\xBF\xEE\x80\x80"},      // just outside both ranges
      {u"\xD800", std::string(R)},                        // alone
      {u"\xDFFF", std::string(R)},                        // a low one first
      {u"a\xD800\xE000", Cat({"a", R, "\xEE\x80\x80"})},  // not followed by a low one
      {std::u16string_view(u"\xD800\xDC00", 1), std::string(R)},  // its low one past the end
  };
  for (const Case& c : cases) EXPECT_EQ(Utf16ToUtf8(c.text), c.utf8);
}

}  // namespace
}  // namespace vortiq
