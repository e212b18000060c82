#include "declgen/sections.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string_view>

namespace vortiq {
namespace {

// Statements of every kind and near misses, in several letter cases.
constexpr std::string_view kStatements[] = {
    "Procedure Foo()",
    "PROCEDURE.S Name()",
    "procedurec cb()",
    "ProcedureDLL X()",
    "ProcedureCDLL.l E()",
    "ProcedureReturn x",
    "Procedure(x)",
    "Procedure",
    "EndProcedure",
    "endprocedure ; done",
    "EndProcedureX",
    "ENDPROCEDUR",
    "Module Net",
    "module   Net",
    "Module",
    "ModuleX",
    "EndModule",
    "EndModuleX",
    "EndDeclareModule",
    "DeclareModule Net",
    "Macro Twice(x)",
    "MACRO M",
    "Macro",
    "MacroX",
    "EndMacro",
    "endmacro2",
    "Runtime Procedure A()",
    "runtime x",
    "; Procedure A()",
    "\tProcedure A()",
    "",
    "x = 1",
};

// The skipping may pass a line over only where no statement of it can move the
// machine: every statement that a rule of a state takes must begin with one of
// that state's keywords, and so must one that begins with "runtime ".
TEST(SectionsTest, KeywordsThatMatterCoverEveryRule) {
  for (const SectionRule& rule : kSectionRules) {
    const KeywordPrefixes& keywords = kKeywordsThatMatter[static_cast<size_t>(rule.from)];
    for (const std::string_view statement : kStatements) {
      if (!IsOfKind(rule.kind, statement)) continue;
      EXPECT_TRUE(StartsWithKeyword(statement, KeywordOf(rule.kind))) << statement;
      EXPECT_TRUE(keywords.MayBegin(statement)) << statement;
    }
  }
  for (const KeywordPrefixes& keywords : kKeywordsThatMatter) {
    EXPECT_TRUE(keywords.may_skip());
    EXPECT_TRUE(keywords.MayBegin("Runtime Procedure A()"));
    EXPECT_TRUE(keywords.MayBegin("RUNTIME x"));
  }
}

// No more than those are read, by the first four letters, besides "Runtime ":
// inside a body, for instance, a line that begins with a procedure, module or
// macro start is passed over.
TEST(SectionsTest, KeywordsThatMatterInEachState) {
  constexpr std::string_view kProbes[] = {"Procedure A()", "EndProcedure", "Module M",  "EndModule",
                                          "Macro M(x)",    "EndMacro",     "Runtime x", "x = 1"};
  using S = SectionState;
  const struct {
    SectionState state;
    std::string_view read;  // per probe: '1' when its line is read
  } cases[] = {
      {S::TopLevel, "10101010"},           // the starts
      {S::InProcedure, "01000010"},        // only its end
      {S::InMacro, "00010110"},            // only its end, and what begins like it: "EndM"
      {S::InModule, "10011110"},           // the starts but a module's, its end, "EndMacro"
      {S::InModuleProcedure, "01000010"},  // only its end
      {S::InModuleMacro, "00010110"},      // only its end, and "EndModule"
  };
  for (const auto& c : cases) {
    const KeywordPrefixes& keywords = kKeywordsThatMatter[static_cast<size_t>(c.state)];
    for (size_t i = 0; i < std::size(kProbes); ++i) {
      EXPECT_EQ(keywords.MayBegin(kProbes[i]), c.read[i] == '1')
          << static_cast<int>(c.state) << ": " << kProbes[i];
    }
  }
}

// Each state has rules, all of them from that state, every rule stands in its
// state, and a rule's kind is recognised in its state only once.
TEST(SectionsTest, RulesOfEachState) {
  size_t total = 0;
  for (size_t state = 0; state < kSectionStates; ++state) {
    const StateRules& rules = kStateRules[state];
    EXPECT_GT(rules.count, 0u) << state;
    total += rules.count;
    for (size_t i = 0; i < rules.count; ++i) {
      EXPECT_EQ(rules.rules[i].from, static_cast<SectionState>(state)) << state;
      for (size_t k = i + 1; k < rules.count; ++k) {
        EXPECT_NE(rules.rules[i].kind, rules.rules[k].kind) << state;
      }
    }
  }
  EXPECT_EQ(total, std::size(kSectionRules));
}

}  // namespace
}  // namespace vortiq
