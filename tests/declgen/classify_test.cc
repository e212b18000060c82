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

// The emitter writes DeclarationKeyword(length) in place of the first `length`
// characters of a procedure header.
TEST(ClassifyTest, DeclarationKeywords) {
  struct Case {
    std::string_view statement;
    size_t length;
    std::string_view keyword;
  };
  const Case cases[] = {
      {"ProcedureCDLL.l Cb(x.l)", 13, "DeclareCDLL"},
      {"procedurecdll.i x()", 13, "DeclareCDLL"},
      {"procedurec.i f()", 10, "DeclareC"},
      {"Procedure Foo()", 9, "Declare"},
      {"PROCEDUREDLL X()", 12, "DeclareDLL"},
      {"ProcedureC Cb()", 10, "DeclareC"},
      {"Foo()", 0, ""},
      {"", 0, ""},
      {"Procedur", 0, ""},
      // At the edges of the four keywords the longest one that matches wins.
      {"Procedure", 9, "Declare"},
      {"ProcedureC", 10, "DeclareC"},
      {"ProcedureCDL X()", 10, "DeclareC"},
      {"ProcedureDL X()", 9, "Declare"},
      {"ProcedureDLLC X()", 12, "DeclareDLL"},
      {"procedureCdllX", 13, "DeclareCDLL"},
      {"ProcedureCC X()", 10, "DeclareC"},
      {"ProcedureReturn x", 9, "Declare"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ProcedureKeywordLength(c.statement), c.length) << c.statement;
    EXPECT_EQ(DeclarationKeyword(ProcedureKeywordLength(c.statement)), c.keyword) << c.statement;
  }
  for (const size_t length : {1, 8, 11, 14}) EXPECT_EQ(DeclarationKeyword(length), "") << length;
}

TEST(ClassifyTest, ModuleNameOf) {
  const struct {
    std::string_view statement, name;
  } cases[] = {
      {"Module Net", "Net"},
      {"module   Net  ", "Net"},
      {"Module Net ; sockets", "Net"},
      {"Module STR      ; Module STRING [STR::]", "STR"},
      {"Module TD\t\t; ThermoDynamic", "TD"},
      {"Module Net ; the \"net\" module", "Net"},
      {"Module \tNet\t", "Net"},
      {"Module A;B;C", "A"},
      {"Module ; no name", ""},
      {"Module \t ", ""},
      {"Module My Net", "My Net"},  // inner blanks stay
      {"Module N\xC3\xA9t", "N\xC3\xA9t"},
      {"Module", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ModuleNameOf(c.statement), c.name) << c.statement;
}

}  // namespace
}  // namespace vortiq
