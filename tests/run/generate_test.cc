#include "support/generate.h"

#include <gtest/gtest.h>

#include "base/utf8.h"
#include "support/header_text.h"
#include "support/whole_sources.h"

namespace vortiq {
namespace {

// The clock reading whose time stamp testing::Prologue shows.
constexpr LocalTime kClock{2026, 12, 6, 9, 41, 7};
const std::string kPrologue = testing::Prologue("demo.pb");

std::string Header(std::string_view source) { return GenerateHeader(source, "demo.pb", kClock); }

// A complete header: prologue, `body`, closing line.
std::string Expected(std::string_view body) {
  return kPrologue + std::string(body) + "CompilerEndIf";
}

TEST(GenerateTest, WholeSources) {
  for (const testing::WholeSource& c : testing::kWholeSources) {
    EXPECT_EQ(Header(c.source), Expected(c.body)) << c.name;
  }
}

TEST(GenerateTest, EmptySourceGivesTheClosingLineOnly) { EXPECT_EQ(Header(""), "CompilerEndIf"); }

TEST(GenerateTest, SourcePathInComment) {
  struct Case {
    std::string_view path, comment;
  };
  const Case cases[] = {
      {"/home/u/src/\xC3\xA9t\xC3\xA9 x\xFF.pb", "\xC3\xA9t\xC3\xA9 x\xEF\xBF\xBD.pb"},
      // A name holding line ends or other control characters adds no line.
      {"/src/a\nMessageRequester(0)\n;.pb", "a\xEF\xBF\xBDMessageRequester(0)\xEF\xBF\xBD;.pb"},
      {"cr\rx.pb", "cr\xEF\xBF\xBDx.pb"},
      {"tab\tx.pb", "tab\xEF\xBF\xBDx.pb"},
      {"esc\x1B[31m\x01\x1F.pb", "esc\xEF\xBF\xBD[31m\xEF\xBF\xBD\xEF\xBF\xBD.pb"},
      {"del\x7F ~.pb", "del\xEF\xBF\xBD ~.pb"},
      {"dir\\back\\slash.pb", "slash.pb"},
  };
  for (const Case& c : cases) {
    const std::string header = GenerateHeader("\n", c.path, kClock);
    const std::string comment = ";- '" + std::string(c.comment) + "' header, generated at ";
    EXPECT_EQ(header.substr(header.find("\r\n") + 2, comment.size()), comment) << c.path;
    EXPECT_EQ(header.size(), testing::Prologue(c.comment).size() + 13) << c.path;
  }
}

TEST(GenerateTest, TimeStampAfter2038AndOutOfRange) {
  const std::string late = GenerateHeader("\n", "a.pb", LocalTime{2038, 1, 19, 3, 14, 8});
  EXPECT_NE(late.find("generated at 03:14:08 19.01.2038."), std::string::npos);
  const std::string early = GenerateHeader("\n", "a.pb", LocalTime{1969, 12, 31, 23, 59, 59});
  EXPECT_NE(early.find("generated at 00:00:00 00.00.0000."), std::string::npos);
}

TEST(GenerateTest, QuadraticHeaderFromRepeatedContinuations) {
  std::string source;
  for (int i = 0; i < 200; ++i) source += "Procedure A(x,\nEndProcedure,\n";
  const std::string header = Header(source);
  // Declaration k joins the 400 - 2k statements from its own on.
  size_t expected = kPrologue.size() + std::string_view("CompilerEndIf").size();
  for (int k = 0; k < 200; ++k) {
    const size_t pairs = static_cast<size_t>(200 - k);
    expected += std::string_view("Declare A(x,").size() + (pairs - 1) * 27 + 13 + 2;
  }
  EXPECT_EQ(header.size(), expected);
  EXPECT_EQ(RepairUtf8(header), header);  // well-formed UTF-8
}

TEST(GenerateTest, MillionStatementContinuation) {
  std::string source = "Procedure A(a,\n";
  for (int i = 0; i < 1000000; ++i) source += "b,\n";
  source += "c)\nEndProcedure\nProcedure B()\n";
  const std::string header = Header(source);
  const std::string want_end = "b,b,c)\r\nDeclare B()\r\nCompilerEndIf";
  ASSERT_GT(header.size(), want_end.size());
  EXPECT_EQ(header.substr(header.size() - want_end.size()), want_end);
  EXPECT_EQ(header.size(), Expected("Declare A(a,\r\nDeclare B()\r\n").size() + 2000002);
}

}  // namespace
}  // namespace vortiq
