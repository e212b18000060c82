#include "declgen/keyword_prefixes.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace vortiq {
namespace {

// The quick test may say yes where the full one says no, never the other way.
TEST(KeywordPrefixesTest, MayBeginByTheFirstFourCharacters) {
  const KeywordPrefixes keywords = {"endprocedure", "runtime ", "if"};
  struct Case {
    std::string_view text;
    bool may_begin;
  };
  const Case cases[] = {
      {"EndProcedure", true},
      {"ENDPROC", true},
      {"endp", true},
      {"endP x", true},
      {"End", false},
      {"EndIf", false},
      {"\tEndProcedure", false},
      {"RunTime x", true},
      {"runt", true},
      {"run", false},
      {"If a", true},
      {"if", true},
      {"i", false},
      {"", false},
      {"Procedure", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(keywords.MayBegin(c.text), c.may_begin) << c.text;
    if (c.text.size() >= KeywordPrefixes::kPrefixSize) {
      EXPECT_EQ(keywords.MayBegin(c.text.data()), c.may_begin) << c.text;
    }
  }
  const std::string padded = "ifXY";  // four bytes readable
  EXPECT_TRUE(keywords.MayBegin(padded.data()));
  // The bytes past a short text are no part of it, even where OR-ed with 20 they
  // would match.
  EXPECT_FALSE(KeywordPrefixes{"if "}.MayBegin(std::string_view("if")));
}

TEST(KeywordPrefixesTest, WhenLinesMayBePassedOver) {
  EXPECT_TRUE((KeywordPrefixes{"procedure", "module ", "macro ", "runtime "}.may_skip()));
  EXPECT_FALSE((KeywordPrefixes{"endprocedure", ""}.may_skip()));    // "" begins every text
  EXPECT_FALSE((KeywordPrefixes{"endprocedure", "if"}.may_skip()));  // shorter than a prefix
  // Keywords sharing a prefix are searched for once.
  EXPECT_EQ((KeywordPrefixes{"procedure", "procedurec", "Procedure ", "macro"}.prefix_count()), 2u);
  // Nine keywords made at run time: none is lost, the lines are all read.
  const KeywordPrefixes nine = {"aaaa", "bbbb", "cccc", "dddd", "eeee",
                                "ffff", "gggg", "hhhh", "iiii"};
  EXPECT_FALSE(nine.may_skip());
  EXPECT_TRUE(nine.MayBegin(std::string_view("iiii")));
  EXPECT_TRUE(nine.MayBegin(std::string_view("x")));
  EXPECT_TRUE((KeywordPrefixes{}.may_skip()));  // nothing matters
  EXPECT_FALSE(KeywordPrefixes{}.MayBegin("anything"));
}

}  // namespace
}  // namespace vortiq
