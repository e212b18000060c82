#include "declgen/emitter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vortiq {
namespace {

struct Emitted {
  std::string body;                  // the header text written for the statements
  std::vector<SectionState> states;  // the state after each statement
};

// Hands each of `statements` (each one line, no colons) to EmitStatement.
Emitted Emit(const std::vector<std::string>& statements) {
  std::string source;
  for (const std::string& statement : statements) source += statement + "\n";
  StatementCursor cursor(source);
  Emitted emitted;
  SectionState state = SectionState::TopLevel;
  std::string_view statement;
  while (cursor.Next(&statement)) {
    if (!statement.empty()) state = EmitStatement(statement, state, cursor, &emitted.body);
    emitted.states.push_back(state);
  }
  EXPECT_EQ(emitted.states.size(), statements.size());
  return emitted;
}

using S = SectionState;

TEST(EmitterTest, WorkedExampleStates) {
  const Emitted emitted = Emit({"; demo", "Procedure.i Add(a.i, b.i)", "ProcedureReturn a + b",
                                "EndProcedure", "Macro Twice(x)", "(x) * 2", "EndMacro",
                                "Module Shapes", "Procedure Draw()", "EndProcedure", "EndModule"});
  const std::vector<S> states = {S::TopLevel,          S::InProcedure, S::InProcedure, S::TopLevel,
                                 S::InMacro,           S::InMacro,     S::TopLevel,    S::InModule,
                                 S::InModuleProcedure, S::InModule,    S::TopLevel};
  EXPECT_EQ(emitted.states, states);
  EXPECT_EQ(emitted.body,
            "Declare.i Add(a.i, b.i)\r\n"
            "CompilerEndIf\r\nCompilerIf #PB_Compiler_Module = \"Shapes\"\r\n"
            "Declare Draw()\r\n"
            "CompilerEndIf\r\nCompilerIf #PB_Compiler_Module = \"\"\r\n");
}

TEST(EmitterTest, Transitions) {
  struct Case {
    std::vector<std::string> statements;
    S final_state;
    std::string_view body;
  };
  const Case cases[] = {
      // Only the end of the body is seen inside a procedure or a macro.
      {{"Procedure A()", "Procedure B()", "Module M", "EndModule"},
       S::InProcedure,
       "Declare A()\r\n"},
      {{"Macro M(x)", "Procedure P()", "EndProcedure", "EndMacro"}, S::TopLevel, ""},
      {{"Module M", "Macro X(y)", "Procedure P()", "EndProcedure", "EndMacro", "Procedure Q()"},
       S::InModuleProcedure,
       "CompilerEndIf\r\nCompilerIf #PB_Compiler_Module = \"M\"\r\nDeclare Q()\r\n"},
      // Stray ends at top level and a nested module are ignored.
      {{"EndModule", "EndProcedure", "EndMacro"}, S::TopLevel, ""},
      {{"Module A", "Module B", "Procedure P()"},
       S::InModuleProcedure,
       "CompilerEndIf\r\nCompilerIf #PB_Compiler_Module = \"A\"\r\nDeclare P()\r\n"},
      // Empty statements and comments change nothing.
      {{"", ";Procedure X()", "", "ProcedureC.l Cb()"}, S::InProcedure, "DeclareC.l Cb()\r\n"},
      // A module name keeps whatever follows it.
      {{"Module Foo ; comment", "EndModule"},
       S::TopLevel,
       "CompilerEndIf\r\nCompilerIf #PB_Compiler_Module = \"Foo\"\r\n"
       "CompilerEndIf\r\nCompilerIf #PB_Compiler_Module = \"\"\r\n"},
      // Tabs defeat the keyword tests.
      {{"\tProcedure T()", "Procedure U()", "\tEndProcedure", "Procedure V()"},
       S::InProcedure,
       "Declare U()\r\n"},
      // The statements of a continued header are handed in again afterwards.
      {{"Procedure A(x,", "EndProcedure,", "Procedure *p.i(y,"},
       S::InProcedure,
       "Declare A(x,EndProcedure,Procedure *p(y,\r\nDeclare *p.i(y,\r\n"},
      {{"procedurecdll J(a.s,", "b.s)", "EndProcedure", "Procedure K(c,", "d)"},
       S::InProcedure,
       "DeclareCDLL J(a.s,b.s)\r\nDeclare K(c,d)\r\n"},
  };
  for (const Case& c : cases) {
    const Emitted emitted = Emit(c.statements);
    EXPECT_EQ(emitted.states.back(), c.final_state) << c.statements.front();
    EXPECT_EQ(emitted.body, c.body) << c.statements.front();
  }
}

TEST(EmitterTest, PrologueOnceAndTheClosingLine) {
  EXPECT_EQ(EmitHeader("\n\n", "D:\\work\\My Demo.pb", 1796525451),
            HeaderText{";- VORTIQ V5.72 [https://vortiq.org]\r\n"
                       ";- 'My Demo.pb' header, generated at 02:50:51 06.12.2026.\r\n"
                       "\r\n"
                       "CompilerIf #PB_Compiler_Module = \"\"\r\n"
                       "CompilerEndIf"});
  EXPECT_EQ(EmitHeader("", "x.pb", 0), HeaderText{"CompilerEndIf"});
  // A header larger than a piece comes in pieces, each closed after the
  // declaration that filled it.
  std::string source;
  for (int i = 0; i < 100000; ++i)
    source += "Procedure P" + std::to_string(i) + "()\nEndProcedure\n";
  const HeaderText pieces = EmitHeader(source, "x.pb", 0);
  ASSERT_GT(pieces.size(), 1u);
  for (size_t i = 0; i + 1 < pieces.size(); ++i) {
    EXPECT_GE(pieces[i].size(), kHeaderPiece);
    EXPECT_TRUE(pieces[i].ends_with("()\r\n"));
  }
}

}  // namespace
}  // namespace vortiq
