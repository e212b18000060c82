// The section machine that header emission runs over the statements: in which
// kind of block the statement being handed in stands, and which statements
// move it into another. Its rules stand here once, beside the tests that
// recognise the statements; the emitter walks them, and the keywords by which
// the reader may pass lines over are derived from them at compile time.
#ifndef VORTIQ_DECLGEN_SECTIONS_H_
#define VORTIQ_DECLGEN_SECTIONS_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <utility>

#include "declgen/classify.h"
#include "declgen/keyword_prefixes.h"

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

// Whether `statement` is of kind `kind`.
[[nodiscard]] inline bool IsOfKind(StatementKind kind, std::string_view statement) noexcept {
  switch (kind) {
    case StatementKind::ProcedureStart:
      return IsProcedureStart(statement);
    case StatementKind::ProcedureEnd:
      return IsProcedureEnd(statement);
    case StatementKind::ModuleStart:
      return IsModuleStart(statement);
    case StatementKind::ModuleEnd:
      return IsModuleEnd(statement);
    case StatementKind::MacroStart:
      return IsMacroStart(statement);
    case StatementKind::MacroEnd:
      return IsMacroEnd(statement);
  }
  return false;
}

// The keyword that every statement of the kind begins with, in any letter case
// (the test of the kind may demand more after it).
[[nodiscard]] constexpr std::string_view KeywordOf(StatementKind kind) noexcept {
  switch (kind) {
    case StatementKind::ProcedureStart:
      return kProcedureKeyword;
    case StatementKind::ProcedureEnd:
      return kProcedureEndKeyword;
    case StatementKind::ModuleStart:
      return kModuleStartKeyword;
    case StatementKind::ModuleEnd:
      return kModuleEndKeyword;
    case StatementKind::MacroStart:
      return kMacroStartKeyword;
    case StatementKind::MacroEnd:
      return kMacroEndKeyword;
  }
  return {};
}

// The rules of one state, in their order.
struct StateRules {
  std::array<SectionRule, std::size(kSectionRules)> rules{};
  size_t count = 0;
};

[[nodiscard]] constexpr StateRules RulesOf(SectionState state) {
  StateRules of_state;
  for (const SectionRule& rule : kSectionRules) {
    if (rule.from == state) of_state.rules[of_state.count++] = rule;
  }
  return of_state;
}

// The rules of each state, indexed by the state.
inline constexpr std::array<StateRules, kSectionStates> kStateRules =
    []<size_t... kStates>(std::index_sequence<kStates...>) {
  return std::array<StateRules, kSectionStates>{RulesOf(static_cast<SectionState>(kStates))...};
}
(std::make_index_sequence<kSectionStates>{});

// The keywords that the statements able to move the machine out of `state`
// begin with, and "runtime ": a statement that begins with it loses it before
// it is tested, so it may become one of them. Lines in which no statement may
// begin with one of these change nothing in that state.
[[nodiscard]] constexpr KeywordPrefixes KeywordsThatMatterIn(SectionState state) {
  const StateRules of_state = RulesOf(state);
  std::array<std::string_view, std::size(kSectionRules) + 1> keywords{};
  size_t count = 0;
  for (size_t i = 0; i < of_state.count; ++i) keywords[count++] = KeywordOf(of_state.rules[i].kind);
  keywords[count++] = kRuntimeKeyword;
  return KeywordPrefixes(std::span<const std::string_view>(keywords.data(), count));
}

// The sets themselves, made by the compiler: one that does not fit
// KeywordPrefixes fails to compile.
inline constexpr std::array<KeywordPrefixes, kSectionStates> kKeywordsThatMatter =
    []<size_t... kStates>(std::index_sequence<kStates...>) {
  return std::array<KeywordPrefixes, kSectionStates>{
      KeywordsThatMatterIn(static_cast<SectionState>(kStates))...};
}
(std::make_index_sequence<kSectionStates>{});

}  // namespace vortiq

#endif  // VORTIQ_DECLGEN_SECTIONS_H_
