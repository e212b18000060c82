// Header emission: the prologue, one declaration line per procedure at top level
// or directly inside a module, the CompilerIf fences around each module's
// declarations, and the closing line, as the section machine (sections.h) walks
// the statements.
#ifndef VORTIQ_DECLGEN_EMITTER_H_
#define VORTIQ_DECLGEN_EMITTER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "declgen/classify.h"
#include "declgen/convert_header.h"
#include "declgen/keyword_prefixes.h"
#include "declgen/sections.h"
#include "io/header_writer.h"
#include "io/time_stamp.h"

namespace vortiq {

// The project's web address, shown in the banner line of every header.
inline constexpr std::string_view kProjectAddress = "https://vortiq.org";

// The last line of every header, written without line end.
inline constexpr std::string_view kClosingLine = "CompilerEndIf";

class Emitter {
 public:
  // `source_path` is the source path as well-formed UTF-8 text (PathToText);
  // its file part goes into the prologue, control characters as U+FFFD.
  // `date` is the time stamp's date value. `statements` gives the statements
  // after a procedure header; `header` receives every text.
  Emitter(std::string_view source_path, DateValue date, StatementLookahead* statements,
          HeaderWriter* header);
  Emitter(const Emitter&) = delete;
  Emitter& operator=(const Emitter&) = delete;

  // Handles the statement at statement_position() and advances the position.
  // The first call writes the prologue. `statement` must stay valid only until
  // the emitter reads ahead through `statements`. Inline: it runs for every
  // statement, and most statements only fail a test or two.
  void EmitStatement(std::string_view statement) {
    if (statement_position_ == 0) WritePrologue();
    if (!IsEmptyStatement(statement)) ApplyRules(statement);
    ++statement_position_;
  }

  // Writes the closing line that ends every header, the one of an empty
  // source (no statement, no prologue) included.
  void Finish();

  // Writes `text` to the header unchanged.
  void WriteHeaderText(std::string_view text);

  // The keywords that the statements which can change anything in the current
  // state begin with (kKeywordsThatMatter), or null before the first
  // statement, which writes the prologue.
  [[nodiscard]] const KeywordPrefixes* KeywordsThatMatter() const {
    return statement_position_ == 0 ? nullptr
                                    : &kKeywordsThatMatter[static_cast<size_t>(section_state_)];
  }

  [[nodiscard]] uint64_t statement_position() const { return statement_position_; }
  [[nodiscard]] SectionState section_state() const { return section_state_; }
  [[nodiscard]] const std::string& module_name() const { return module_name_; }

 private:
  // The rules of the current state, unrolled per state from kSectionRules.
  void ApplyRules(std::string_view statement) {
    ApplyRulesOfState(statement, std::make_index_sequence<kSectionStates>{});
  }

  template <size_t... kStates>
  void ApplyRulesOfState(std::string_view statement, std::index_sequence<kStates...>) {
    (void)((section_state_ == static_cast<SectionState>(kStates) &&
            (ApplyRulesOf<static_cast<SectionState>(kStates)>(
                 statement,
                 std::make_index_sequence<RulesOf(static_cast<SectionState>(kStates)).count>{}),
             true)) ||
           ...);
  }

  // The first rule of `kState` whose kind the statement is of applies.
  template <SectionState kState, size_t... kRows>
  void ApplyRulesOf(std::string_view statement, std::index_sequence<kRows...>) {
    static constexpr StateRules kRules = RulesOf(kState);
    (void)((Apply<kRules.rules[kRows].kind, kRules.rules[kRows].to>(statement)) || ...);
  }

  // When the statement is of kind `kKind`: moves the machine to `kTo`, writes
  // what that kind writes, and returns true.
  template <StatementKind kKind, SectionState kTo>
  bool Apply(std::string_view statement) {
    if (!IsOfKind<kKind>(statement)) return false;
    section_state_ = kTo;
    if constexpr (kKind == StatementKind::ProcedureStart) WriteDeclaration(statement);
    if constexpr (kKind == StatementKind::ModuleStart) WriteModuleOpening(statement);
    if constexpr (kKind == StatementKind::ModuleEnd) WriteModuleClosing();
    return true;
  }

  void WritePrologue();
  void WriteDeclaration(std::string_view statement);
  void WriteModuleOpening(std::string_view statement);
  void WriteModuleClosing();

  std::string source_path_;
  DateValue date_;
  StatementLookahead* statements_;
  HeaderWriter* header_;
  uint64_t statement_position_ = 0;
  SectionState section_state_ = SectionState::TopLevel;
  std::string module_name_;  // set at every module start, kept after its end
  std::string line_;         // the declaration being built
};

}  // namespace vortiq

#endif  // VORTIQ_DECLGEN_EMITTER_H_
