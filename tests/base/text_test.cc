#include "base/text.h"

#include <gtest/gtest.h>

#include <string>

namespace vortiq {
namespace {

TEST(TextTest, Mid) {
  EXPECT_EQ(Mid("abc", 2), "bc");
  EXPECT_EQ(Mid("abc", -5), "abc");
  EXPECT_EQ(Mid("abc", 3), "c");
  EXPECT_EQ(Mid("abc", 4), "");
}

TEST(TextTest, TrimRemovesSpacesOnly) {
  EXPECT_EQ(Trim("\tProcedure A()"), "\tProcedure A()");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim("  a b  "), "a b");
  EXPECT_EQ(Trim(" \ta\t "), "\ta\t");
  EXPECT_EQ(Trim("\xC2\xA0x"), "\xC2\xA0x");  // no-break space stays
  // Indentation is skipped eight bytes at a time.
  EXPECT_EQ(Trim(std::string(8, ' ') + "x"), "x");
  EXPECT_EQ(Trim(std::string(17, ' ') + "x y" + std::string(9, ' ')), "x y");
  EXPECT_EQ(Trim(std::string(24, ' ')), "");
  EXPECT_EQ(Trim(std::string(11, ' ') + "\tx"), "\tx");
  EXPECT_EQ(Trim("       \x80 "), "\x80");
}

TEST(TextTest, KeywordsMatchAsciiLettersInAnyCase) {
  EXPECT_TRUE(StartsWithKeyword("PROCEDURE.S Name()", "procedure.s"));
  EXPECT_EQ(LowerAscii('Z'), 'z');
  EXPECT_EQ(LowerAscii('@'), '@');
  EXPECT_EQ(LowerAscii('['), '[');
  // The second byte of É (C3 89) is no capital: it does not become that of é (C3 A9).
  EXPECT_FALSE(StartsWithKeyword("\xC3\x89t\xC3\x89", "\xC3\xA9t\xC3\xA9"));
  EXPECT_TRUE(StartsWithKeyword("EndProcedureX", "endprocedure"));
  EXPECT_FALSE(StartsWithKeyword("EndProc", "endprocedure"));
  EXPECT_TRUE(EndsWithKeyword("(a, LIST ", "list "));
  EXPECT_FALSE(EndsWithKeyword("ist ", "list "));
}

// Keywords are compared eight bytes at a time; the result is that of
// comparing LowerAscii of each byte. For keywords of every length up to 18
// (letters, digits, punctuation, a space, a euro sign), each byte of a matching
// text is set to every value in turn.
TEST(TextTest, KeywordComparisonIsLowerAsciiOfEachByte) {
  const auto byte_by_byte = [](std::string_view text, std::string_view keyword) {
    if (text.size() < keyword.size()) return false;
    for (size_t i = 0; i < keyword.size(); ++i) {
      if (LowerAscii(text[i]) != keyword[i]) return false;
    }
    return true;
  };
  const std::string letters =
      "endproc\xE2\x82\xAC"
      "dure.x:1 z{`@[";
  for (size_t length = 0; length <= letters.size(); ++length) {
    const std::string keyword = letters.substr(0, length);
    std::string text = keyword + "tail";
    for (char& c : text) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    ASSERT_TRUE(StartsWithKeyword(text, keyword)) << keyword;
    if (length > 0) {
      ASSERT_FALSE(StartsWithKeyword(text.substr(0, length - 1), keyword));
    }
    for (size_t i = 0; i < length; ++i) {
      const char kept = text[i];
      for (int value = 0; value < 256; ++value) {
        text[i] = static_cast<char>(value);
        ASSERT_EQ(StartsWithKeyword(text, keyword), byte_by_byte(text, keyword))
            << keyword << " byte " << i << " = " << value;
      }
      text[i] = kept;
    }
  }
}

TEST(TextTest, PathParts) {
  struct Case {
    std::string_view path, extension, file;
  };
  const Case cases[] = {
      {"C:\\dir\\file.pb", "pb", "file.pb"},
      {"C:\\dir.x\\file", "", "file"},
      {"C:\\dir\\.pb", "", ".pb"},
      {"dir/.pb", "", ".pb"},
      {"file.pb\"", "pb", "file.pb"},
      {"\"C:\\dir\\file.pb\"", "pb", "file.pb"},
      {"my file.pb", "pb", "my file.pb"},
      {"file.p b", "", "file.p b"},
      {"a.b.pb", "pb", "a.b.pb"},
      {"A.PB", "PB", "A.PB"},
      {"dir/sub\\x.sb", "sb", "x.sb"},
      {"file.pb", "pb", "file.pb"},
      {"name.", "", "name."},
      {".pb", "", ".pb"},
      {"/src/lib.pb -x", "", "lib.pb -x"},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetExtensionPart(c.path), c.extension) << c.path;
    EXPECT_EQ(GetFilePart(c.path), c.file) << c.path;
  }
}

}  // namespace
}  // namespace vortiq
