// Header emission: the prologue, one declaration line per procedure at top level
// or directly inside a module, and the CompilerIf fences around each module's
// declarations, driven by a six-state section machine over the statements.
#ifndef VORTIQ_DECLGEN_EMITTER_H_
#define VORTIQ_DECLGEN_EMITTER_H_

#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>

#include "declgen/classify.h"
#include "declgen/convert_header.h"
#include "io/header_writer.h"
#include "io/keyword_prefixes.h"
#include "io/time_stamp.h"

namespace vortiq {

// The project's web address, shown in the banner line of every header.
inline constexpr std::string_view kProjectAddress = "https://vortiq.org";

// The last line of every header, written without line end.
inline constexpr std::string_view kClosingLine = "CompilerEndIf";

// Which kind of block the statements being handed in belong to.
enum class SectionState : uint8_t {
  TopLevel,           // outside every module, procedure and macro
  InProcedure,        // in the body of a procedure at top level
  InMacro,            // in the body of a macro at top level
  InModule,           // inside a module, outside procedure and macro bodies
  InModuleProcedure,  // in the body of a procedure inside a module
  InModuleMacro,      // in the body of a macro inside a module
};

class Emitter {
 public:
  // `source_path` is the source path as well-formed UTF-8 text (PathToText);
  // its file part goes into the prologue, control characters as U+FFFD.
  // `date` is the time stamp's date value. `statements` gives the
  // statements after a procedure header; `header` receives every text.
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
    if (!IsEmptyStatement(statement)) {
      switch (section_state_) {
        case SectionState::TopLevel:
          if (MaybeDeclareProcedure(statement, SectionState::InProcedure)) break;
          if (MaybeOpenModule(statement)) break;
          MaybeMoveTo(IsMacroStart(statement), SectionState::InMacro);
          break;
        case SectionState::InProcedure:
          MaybeMoveTo(IsProcedureEnd(statement), SectionState::TopLevel);
          break;
        case SectionState::InMacro:
          MaybeMoveTo(IsMacroEnd(statement), SectionState::TopLevel);
          break;
        case SectionState::InModule:
          if (MaybeDeclareProcedure(statement, SectionState::InModuleProcedure)) break;
          if (MaybeCloseModule(statement)) break;
          MaybeMoveTo(IsMacroStart(statement), SectionState::InModuleMacro);
          break;
        case SectionState::InModuleProcedure:
          MaybeMoveTo(IsProcedureEnd(statement), SectionState::InModule);
          break;
        case SectionState::InModuleMacro:
          MaybeMoveTo(IsMacroEnd(statement), SectionState::InModule);
          break;
      }
    }
    ++statement_position_;
  }

  // Writes `text` to the header unchanged.
  void WriteHeaderText(std::string_view text);

  // The keywords that the statements which can change anything in the current
  // state begin with (a statement beginning with "runtime " may become one), or
  // null before the first statement, which writes the prologue.
  [[nodiscard]] const KeywordPrefixes* KeywordsThatMatter() const {
    static constexpr KeywordPrefixes kTopLevel = {kProcedureKeyword, kModuleStartKeyword,
                                                  kMacroStartKeyword, kRuntimeKeyword};
    static constexpr KeywordPrefixes kInModule = {kProcedureKeyword, kModuleEndKeyword,
                                                  kMacroStartKeyword, kRuntimeKeyword};
    static constexpr KeywordPrefixes kInProcedure = {kProcedureEndKeyword, kRuntimeKeyword};
    static constexpr KeywordPrefixes kInMacro = {kMacroEndKeyword, kRuntimeKeyword};
    // In the order of SectionState.
    static constexpr const KeywordPrefixes* kByState[] = {&kTopLevel, &kInProcedure, &kInMacro,
                                                          &kInModule, &kInProcedure, &kInMacro};
    static_assert(std::size(kByState) == static_cast<size_t>(SectionState::InModuleMacro) + 1);
    return statement_position_ == 0 ? nullptr : kByState[static_cast<size_t>(section_state_)];
  }

  // Every keyword KeywordsThatMatter gives in some state.
  [[nodiscard]] static const KeywordPrefixes& AllKeywordsThatMatter() {
    static constexpr KeywordPrefixes kAll = {
        kProcedureKeyword,  kProcedureEndKeyword, kModuleStartKeyword, kModuleEndKeyword,
        kMacroStartKeyword, kMacroEndKeyword,     kRuntimeKeyword};
    return kAll;
  }

  [[nodiscard]] uint64_t statement_position() const { return statement_position_; }
  [[nodiscard]] SectionState section_state() const { return section_state_; }
  [[nodiscard]] const std::string& module_name() const { return module_name_; }

 private:
  void WritePrologue();
  // Each handler returns whether the statement matched and has been handled.
  bool MaybeMoveTo(bool matches, SectionState next) {
    if (matches) section_state_ = next;
    return matches;
  }
  // Checks the statement with a cheap inline test first; the work is out of line.
  bool MaybeDeclareProcedure(std::string_view statement, SectionState next) {
    return IsProcedureStart(statement) && DeclareProcedure(statement, next);
  }
  bool DeclareProcedure(std::string_view statement, SectionState next);
  bool MaybeOpenModule(std::string_view statement);
  bool MaybeCloseModule(std::string_view statement);

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
