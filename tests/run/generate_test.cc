#include "run/generate.h"

#include <gtest/gtest.h>

#include "io/source_reader.h"
#include "io/utf8.h"
#include "support/header_text.h"

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

TEST(GenerateTest, WorkedExample) {
  const std::string_view source =
      "; demo\r\n"
      "Procedure.i Add(a.i, b.i)\r\n"
      "  ProcedureReturn a + b\r\n"
      "EndProcedure\r\n"
      "Macro Twice(x) : (x) * 2 : EndMacro\r\n"
      "Module Shapes\r\n"
      "  Procedure Draw()\r\n"
      "  EndProcedure\r\n"
      "EndModule\r\n";
  EXPECT_EQ(Header(source), Expected("Declare.i Add(a.i, b.i)\r\n"
                                     "CompilerEndIf\r\n"
                                     "CompilerIf #PB_Compiler_Module = \"Shapes\"\r\n"
                                     "Declare Draw()\r\n"
                                     "CompilerEndIf\r\n"
                                     "CompilerIf #PB_Compiler_Module = \"\"\r\n"));
}

TEST(GenerateTest, WholeSources) {
  struct Case {
    std::string_view name, source, body;
  };
  const Case cases[] = {
      {"first statement is a procedure", "Procedure A()\nEndProcedure", "Declare A()\r\n"},
      {"only empty lines", "\n\n\n", ""},
      {"modules without procedures", "Module A\nEndModule\nModule B\nEndModule\n",
       "CompilerEndIf\r\nCompilerIf #PB_Compiler_Module = \"A\"\r\n"
       "CompilerEndIf\r\nCompilerIf #PB_Compiler_Module = \"\"\r\n"
       "CompilerEndIf\r\nCompilerIf #PB_Compiler_Module = \"B\"\r\n"
       "CompilerEndIf\r\nCompilerIf #PB_Compiler_Module = \"\"\r\n"},
      {"nested module ignored",
       "Module Outer\nModule Inner\nProcedure P()\nEndProcedure\nEndModule\nProcedure Q()\n",
       "CompilerEndIf\r\nCompilerIf #PB_Compiler_Module = \"Outer\"\r\nDeclare P()\r\n"
       "CompilerEndIf\r\nCompilerIf #PB_Compiler_Module = \"\"\r\nDeclare Q()\r\n"},
      {"missing EndProcedure", "Procedure A()\nProcedure B()\nModule M\nEndModule\n",
       "Declare A()\r\n"},
      {"missing EndModule", "Module M\nProcedure P()\nEndProcedure\n",
       "CompilerEndIf\r\nCompilerIf #PB_Compiler_Module = \"M\"\r\nDeclare P()\r\n"},
      {"procedure inside a macro", "Macro M\nProcedure P()\nEndProcedure\nEndMacro\n", ""},
      {"tab-indented header", "\tProcedure T()\n\tEndProcedure\nProcedure U()\n",
       "Declare U()\r\n"},
      {"tab-indented end", "Procedure U()\n\tEndProcedure\nProcedure V()\n", "Declare U()\r\n"},
      {"space-indented", "   Procedure U()\n  EndProcedure  \n Procedure V()\n",
       "Declare U()\r\nDeclare V()\r\n"},
      {"continued header", "Procedure Join(a.s,\n         b.s)\nEndProcedure\n",
       "Declare Join(a.s,b.s)\r\n"},
      {"continued over a comment",
       "Procedure F(a.l, ; first\n  b.l)\nEndProcedure\nProcedure G(x,\n; note: y\nz)\n",
       "Declare F(a.l, \r\nDeclare G(x,\r\n"},
      {"continued to the end of the source", "Procedure F(a,\nb,", "Declare F(a,b,\r\n"},
      {"runtime procedures",
       "Runtime Procedure A(x.l) : EndProcedure\nRUNTIME   ProcedureDLL.s B()\nEndProcedure\n"
       "Runtime\tProcedure C()\n",
       "Declare A(x.l)\r\nDeclareDLL.s B()\r\n"},
      {"comment lines with colons",
       "; note: Procedure B()\nx = 1 : ; why: Procedure E()\na = 2 ; see: Procedure F()\n",
       "Declare F()\r\n"},
      {"colon in a default string", "Procedure Foo(a.s = \"x:y\")\nEndProcedure\n",
       "Declare Foo(a.s = \"x\r\n"},
      {"one-line procedures", "Procedure A() : EndProcedure : Procedure B() : EndProcedure\n",
       "Declare A()\r\nDeclare B()\r\n"},
      {"module-qualified types",
       "Procedure.i F(x.Mod::T, *y.Mod::T, List z.Mod::T())\nEndProcedure\n",
       "Declare.i F(x.Mod::T, *y, List z())\r\n"},
      {"lone CR line ends", "Procedure A()\rEndProcedure\rProcedure B()\r",
       "Declare A()\r\nDeclare B()\r\n"},
      {"byte-order mark stays", "\xEF\xBB\xBFProcedure A()\nProcedure B()\n", "Declare B()\r\n"},
      {"non-ASCII and malformed bytes",
       "Procedure Caf\xC3\xA9(s.s = \"\xE2\x82\xAC\xFF\x80\")\nEndProcedure\n"
       "Procedure X\xC3(a)\n",
       "Declare Caf\xC3\xA9(s.s = \"\xE2\x82\xAC??\")\r\nDeclare X\xEF\xBF\xBD(a)\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Header(c.source), Expected(c.body)) << c.name;
  }
}

// A continued header whose first line ends the first read: reading on replaces
// the bytes it was seen in, here with a module start (inside the procedure,
// where it counts for nothing). The header must not be looked at again.
TEST(GenerateTest, ContinuedHeaderAtTheEndOfARead) {
  const std::string first_line = "Procedure A(x,\n";
  const size_t at = SourceReader::kDefaultBufferSize - first_line.size();
  const std::string filler = "; " + std::string(at - 3, 'a') + "\n";
  const std::string source = filler + first_line + "y)\n; " + std::string(at - 6, 'b') + "\n" +
                             "Module M\nEndProcedure\nProcedure B()\n";
  ASSERT_EQ(source.find("Module M"), SourceReader::kDefaultBufferSize + at);
  EXPECT_EQ(Header(source), Expected("Declare A(x,y)\r\nDeclare B()\r\n"));
}

TEST(GenerateTest, EmptySourceGivesTheClosingLineOnly) { EXPECT_EQ(Header(""), "CompilerEndIf"); }

TEST(GenerateTest, SourcePathInComment) {
  const std::string header = GenerateHeader("\n", "/home/u/src/\xC3\xA9t\xC3\xA9 x\xFF.pb", kClock);
  EXPECT_NE(header.find(";- '\xC3\xA9t\xC3\xA9 x\xEF\xBF\xBD.pb' header, generated at "),
            std::string::npos);
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
  EXPECT_TRUE(IsValidUtf8(header));
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
