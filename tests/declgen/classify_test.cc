#include "declgen/classify.h"

#include <gtest/gtest.h>

#include <string>

namespace vortiq {
namespace {

// The tests that accept `statement`, as one compact line: "empty comment pstart".
std::string Dump(std::string_view statement) {
  std::string accepted;
  const auto add = [&](bool test, std::string_view name) {
    if (!test) return;
    if (!accepted.empty()) accepted += ' ';
    accepted += name;
  };
  add(IsEmptyStatement(statement), "empty");
  add(IsCommentStatement(statement), "comment");
  add(IsProcedureStart(statement), "pstart");
  add(IsProcedureEnd(statement), "pend");
  add(IsModuleStart(statement), "mstart");
  add(IsModuleEnd(statement), "mend");
  add(IsMacroStart(statement), "xstart");
  add(IsMacroEnd(statement), "xend");
  return accepted;
}

TEST(ClassifyTest, PrefixTests) {
  struct Case {
    std::string_view statement, accepted;
  };
  const Case cases[] = {
      {"Procedure Foo()", "pstart"},
      {"PROCEDURE.S Name()", "pstart"},
      {"ProcedureC Cb()", "pstart"},
      {"procedurec.i f()", "pstart"},
      {"ProcedureDLL X()", "pstart"},
      {"ProcedureCDLL.l Export()", "pstart"},
      {"ProcedureReturn x", ""},
      {"Procedure(x)", ""},
      {"Procedure\tFoo()", ""},
      {"ProcedureDLLX Foo()", ""},
      {"Procedure", ""},
      {"Procedure ", "pstart"},
      {"\tProcedure Foo()", ""},
      {"EndProcedure", "pend"},
      {"endprocedure ; done", "pend"},
      {"EndProcedureX", "pend"},
      {"Module Net", "mstart"},
      {"module   Net", "mstart"},
      {"Module", ""},
      {"Module\tNet", ""},
      {"DeclareModule Net", ""},
      {"EndModule", "mend"},
      {"EndDeclareModule", ""},
      {"Macro Twice(x)", "xstart"},
      {"Macro", ""},
      {"MacroX", ""},
      {"EndMacro", "xend"},
      {"; note", "comment"},
      {";Procedure B()", "comment"},
      {"x = 1 ; note", ""},
      {"", "empty"},
      {"\t", ""},
      {"Proc\xC3\xA9"
       "dure X()",
       ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Dump(c.statement), c.accepted) << c.statement;
}

TEST(ClassifyTest, ProcedureToDeclare) {
  struct Case {
    std::string_view statement, declaration;
  };
  const Case cases[] = {
      {"ProcedureCDLL.l Cb(x.l)", "DeclareCDLL.l Cb(x.l)"},
      {"procedurecdll.i x()", "DeclareCDLL.i x()"},
      {"procedurec.i f()", "DeclareC.i f()"},
      {"Procedure Foo()", "Declare Foo()"},
      {"PROCEDUREDLL X()", "DeclareDLL X()"},
      {"ProcedureC Cb()", "DeclareC Cb()"},
      {"Foo()", "ERROR"},
      {"", "ERROR"},
      {"Procedur", "ERROR"},
      // At the edges of the four keywords the longest one that matches wins.
      {"Procedure", "Declare"},
      {"ProcedureC", "DeclareC"},
      {"ProcedureCDL X()", "DeclareCDL X()"},
      {"ProcedureDL X()", "DeclareDL X()"},
      {"ProcedureDLLC X()", "DeclareDLLC X()"},
      {"procedureCdllX", "DeclareCDLLX"},
      {"ProcedureCC X()", "DeclareCC X()"},
      {"ProcedureReturn x", "DeclareReturn x"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ProcedureToDeclare(c.statement), c.declaration) << c.statement;
  }
}

TEST(ClassifyTest, ModuleNameOf) {
  EXPECT_EQ(ModuleNameOf("Module Net"), "Net");
  EXPECT_EQ(ModuleNameOf("module   Net  "), "Net");
  EXPECT_EQ(ModuleNameOf("Module Net ; sockets"), "Net ; sockets");
  EXPECT_EQ(ModuleNameOf("Module \tNet"), "\tNet");
  EXPECT_EQ(ModuleNameOf("Module"), "");
}

}  // namespace
}  // namespace vortiq
