#include "base/text.h"

#include <gtest/gtest.h>

namespace vortiq {
namespace {

TEST(TextTest, Slices) {
  struct Case {
    std::string_view got, want;
  };
  const Case cases[] = {
      {Mid("abc", 4, 1), ""},  {Mid("abc", 9, 1), ""},    {Mid("abc", 0, 2), "ab"},
      {Mid("abc", 2, -1), ""}, {Mid("abc", 2, 99), "bc"}, {Mid("abc", 2), "bc"},
      {Mid("abc", -5), "abc"}, {Mid("abc", 4), ""},       {Left("abc", -1), ""},
      {Left("abc", 2), "ab"},  {Left("abc", 9), "abc"},   {Right("abc", 5), "abc"},
      {Right("abc", 2), "bc"}, {Right("abc", -1), ""},    {Right("", 1), ""},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(cases[i].got, cases[i].want) << "case " << i;
  }
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

TEST(TextTest, LCaseMapsAsciiLettersOnly) {
  EXPECT_EQ(LCase("PROCEDURE.S Name()"), "procedure.s name()");
  EXPECT_EQ(LCase("\xC3\x89T\xC3\x89"), "\xC3\x89t\xC3\x89");  // ÉTÉ keeps its É
  EXPECT_TRUE(StartsWithKeyword("EndProcedureX", "endprocedure"));
  EXPECT_FALSE(StartsWithKeyword("EndProc", "endprocedure"));
  EXPECT_TRUE(EndsWithKeyword("(a, LIST ", "list "));
  EXPECT_FALSE(EndsWithKeyword("ist ", "list "));
}

TEST(TextTest, FindString) {
  EXPECT_EQ(FindString("a::b", "::", 1), 2);
  EXPECT_EQ(FindString("abc", "", 1), 0);
  EXPECT_EQ(FindString("", "a", 1), 0);
  EXPECT_EQ(FindString("a:b:c", ":", 3), 4);
  EXPECT_EQ(FindString("a:b", ":", -3), 2);
  EXPECT_EQ(FindString("a:b", ":", 4), 0);
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
