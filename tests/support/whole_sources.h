// Whole sources with the header lines they must give, between the prologue and
// the closing line: the cases of the generation tests, which the test of line
// skipping also runs through the reference generation.
#ifndef VORTIQ_TESTS_SUPPORT_WHOLE_SOURCES_H_
#define VORTIQ_TESTS_SUPPORT_WHOLE_SOURCES_H_

#include <string_view>

namespace vortiq::testing {

struct WholeSource {
  std::string_view name, source, body;
};

inline constexpr WholeSource kWholeSources[] = {
    {"worked example",
     "; demo\r\n"
     "Procedure.i Add(a.i, b.i)\r\n"
     "  ProcedureReturn a + b\r\n"
     "EndProcedure\r\n"
     "Macro Twice(x) : (x) * 2 : EndMacro\r\n"
     "Module Shapes\r\n"
     "  Procedure Draw()\r\n"
     "  EndProcedure\r\n"
     "EndModule\r\n",
     "Declare.i Add(a.i, b.i)\r\n"
     "CompilerEndIf\r\n"
     "CompilerIf #PB_Compiler_Module = \"Shapes\"\r\n"
     "Declare Draw()\r\n"
     "CompilerEndIf\r\n"
     "CompilerIf #PB_Compiler_Module = \"\"\r\n"},
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
    {"tab-indented header", "\tProcedure T()\n\tEndProcedure\nProcedure U()\n", "Declare U()\r\n"},
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

}  // namespace vortiq::testing

#endif  // VORTIQ_TESTS_SUPPORT_WHOLE_SOURCES_H_
