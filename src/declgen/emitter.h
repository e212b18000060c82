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

#include "declgen/classify.h"
#include "declgen/convert_header.h"
#include "declgen/keyword_prefixes.h"
#include "declgen/sections.h"
#include "io/generated_header.h"
#include "io/header_writer.h"
#include "io/time_stamp.h"

namespace vortiq {

// The project's web address, shown in the banner line of every header.
inline constexpr std::string_view kProjectAddress = "https://vortiq.org";

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
  // The first rule of the current state whose kind the statement is of moves
  // the machine and writes what that kind writes; the other rules are not tried.
  void ApplyRules(std::string_view statement) {
    const StateRules& rules = kStateRules[static_cast<size_t>(section_state_)];
    for (size_t i = 0; i < rules.count; ++i) {
      const SectionRule& rule = rules.rules[i];
      if (!IsOfKind(rule.kind, statement)) continue;
      section_state_ = rule.to;
      switch (rule.kind) {
        case StatementKind::ProcedureStart:
          WriteDeclaration(statement);
          break;
        case StatementKind::ModuleStart:
          WriteModuleOpening(statement);
          break;
        case StatementKind::ModuleEnd:
          WriteModuleClosing();
          break;
        default:  // the ends of bodies and the start of a macro write nothing
          break;
      }
      return;
    }
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
};

}  // namespace vortiq

#endif  // VORTIQ_DECLGEN_EMITTER_H_
