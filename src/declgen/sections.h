// The section machine that header emission runs over the statements: in which
// kind of block the statement being handed in stands, and which statements
// move it into another. Its rules stand here once; the emitter walks them.
#ifndef VORTIQ_DECLGEN_SECTIONS_H_
#define VORTIQ_DECLGEN_SECTIONS_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "declgen/classify.h"
#include "declgen/statements.h"

namespace vortiq {

// Which kind of block the statements being handed in belong to.
enum class SectionState : uint8_t {
  TopLevel,           // outside every module, procedure and macro
  InProcedure,        // in the body of a procedure at top level
  InMacro,            // in the body of a macro at top level
  InModule,           // inside a module, outside procedure and macro bodies
  InModuleProcedure,  // in the body of a procedure inside a module
  InModuleMacro,      // in the body of a macro inside a module
};
inline constexpr size_t kSectionStates = 6;

// The kinds of statement that can move the machine, each recognised by a test
// of classify.h.
enum class StatementKind : uint8_t {
  ProcedureStart,  // IsProcedureStart
  ProcedureEnd,    // IsProcedureEnd
  ModuleStart,     // IsModuleStart
  ModuleEnd,       // IsModuleEnd
  MacroStart,      // IsMacroStart
  MacroEnd,        // IsMacroEnd
};

// One rule: in state `from`, a statement of kind `kind` moves the machine to `to`.
struct SectionRule {
  SectionState from;
  StatementKind kind;
  SectionState to;
};

// The rules. In each state its rules are tried in this order and the first
// whose kind the statement is of applies; a statement that none of them takes
// changes nothing. So inside a body only its end counts (a procedure in a
// macro is not declared), a stray end at top level and a module inside a
// module are ignored.
inline constexpr SectionRule kSectionRules[] = {
    {SectionState::TopLevel, StatementKind::ProcedureStart, SectionState::InProcedure},
    {SectionState::TopLevel, StatementKind::ModuleStart, SectionState::InModule},
    {SectionState::TopLevel, StatementKind::MacroStart, SectionState::InMacro},
    {SectionState::InProcedure, StatementKind::ProcedureEnd, SectionState::TopLevel},
    {SectionState::InMacro, StatementKind::MacroEnd, SectionState::TopLevel},
    {SectionState::InModule, StatementKind::ProcedureStart, SectionState::InModuleProcedure},
    {SectionState::InModule, StatementKind::ModuleEnd, SectionState::TopLevel},
    {SectionState::InModule, StatementKind::MacroStart, SectionState::InModuleMacro},
    {SectionState::InModuleProcedure, StatementKind::ProcedureEnd, SectionState::InModule},
    {SectionState::InModuleMacro, StatementKind::MacroEnd, SectionState::InModule},
};

// What recognises a statement of each kind, and the keyword every statement of
// the kind begins with (in any letter case; the test may demand more after
// it), in the order of StatementKind.
struct KindTest {
  bool (*test)(std::string_view statement) noexcept;
  std::string_view keyword;
};
inline constexpr KindTest kKindTests[] = {
    {IsProcedureStart, kProcedureKeyword}, {IsProcedureEnd, kProcedureEndKeyword},
    {IsModuleStart, kModuleStartKeyword},  {IsModuleEnd, kModuleEndKeyword},
    {IsMacroStart, kMacroStartKeyword},    {IsMacroEnd, kMacroEndKeyword},
};

// The starts of the keywords of the statements that can move the machine out
// of `state`, and of "runtime ", which a statement loses before it is tested:
// lines in which no statement begins with one of them change nothing there.
[[nodiscard]] constexpr KeywordStarts KeywordsThatMatterIn(SectionState state) {
  KeywordStarts keywords;
  const auto add = [&keywords](std::string_view keyword) {
    std::array<char, KeywordStarts::kLength> start{};
    for (size_t i = 0; i < start.size(); ++i) start[i] = keyword[i];
    for (size_t k = 0; k < keywords.count; ++k) {
      if (keywords.starts[k] == start) return;  // "endmodule" and "endmacro" begin alike
    }
    keywords.starts[keywords.count++] = start;  // more than fit fail to compile
  };
  for (const SectionRule& rule : kSectionRules) {
    if (rule.from == state) add(kKindTests[static_cast<size_t>(rule.kind)].keyword);
  }
  add(kRuntimeKeyword);
  return keywords;
}

// Those of each state, indexed by the state; made by the compiler.
inline constexpr std::array<KeywordStarts, kSectionStates> kKeywordsThatMatter = [] {
  std::array<KeywordStarts, kSectionStates> each{};
  for (size_t state = 0; state < kSectionStates; ++state) {
    each[state] = KeywordsThatMatterIn(static_cast<SectionState>(state));
  }
  return each;
}();

}  // namespace vortiq

#endif  // VORTIQ_DECLGEN_SECTIONS_H_
