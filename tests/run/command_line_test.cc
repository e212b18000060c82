#include "run/command_line.h"

#include <gtest/gtest.h>

namespace vortiq {
namespace {

TEST(CommandLineTest, Parameters) {
  struct Case {
    std::u16string_view line;  // after the program's name
    std::vector<std::u16string> parameters;
  };
  const Case cases[] = {
      {u"D:\\src\\lib.pb", {u"D:\\src\\lib.pb"}},
      {u"\"D:\\my src\\lib.pb\"", {u"D:\\my src\\lib.pb"}},
      {u"D:\\my src\\lib.pb", {u"D:\\my", u"src\\lib.pb"}},
      {u"\"a\"b", {u"a", u"b"}},
      {u"ab\"c d\"e f", {u"abc de", u"f"}},
      {u"x \"\"", {u"x", u""}},
      {u"x \"", {u"x", u""}},
      {u"a\tb c", {u"a\tb", u"c"}},
      {u"   a    b   ", {u"a", u"b"}},
      {u"", {}},
      {u"\"\"\"\"", {u"", u""}},
      {u"a\\\"b c\"", {u"a\\b c"}},  // a backslash escapes nothing
      {u"a\"b", {u"ab"}},            // a quoted stretch open to the end
      {u"\xE9t\xE9.pb", {u"\xE9t\xE9.pb"}},
  };
  for (const Case& c : cases) {
    std::u16string line = u"vortiq.exe ";
    line += c.line;
    EXPECT_EQ(CommandLineParameters(line), c.parameters)
        << std::string(c.line.begin(), c.line.end());
  }
}

TEST(CommandLineTest, ProgramNameIsNotAParameter) {
  EXPECT_TRUE(CommandLineParameters(u"\"C:\\Program Files\\vortiq.exe\"").empty());
  EXPECT_EQ(CommandLineParameters(u"\"C:\\Program Files\\vortiq.exe\"x.pb"),
            std::vector<std::u16string>{u"x.pb"});
  EXPECT_TRUE(CommandLineParameters(u"").empty());
  EXPECT_TRUE(CommandLineParameters(u"   ").empty());
}

}  // namespace
}  // namespace vortiq
