#include "declgen/emitter.h"

#include "declgen/classify.h"
#include "io/utf8.h"
#include "run/text.h"
#include "version.h"

namespace vortiq {
namespace {

constexpr std::string_view kTopLevelOpening = "CompilerIf #PB_Compiler_Module = \"\"\r\n";
constexpr std::string_view kBlockEnd = "CompilerEndIf\r\n";

}  // namespace

Emitter::Emitter(std::string_view source_path, DateValue date, StatementLookahead* statements,
                 HeaderWriter* header)
    : source_path_(RepairUtf8(source_path)),
      date_(date),
      statements_(statements),
      header_(header) {}

void Emitter::WriteHeaderText(std::string_view text) { header_->WriteString(text); }

void Emitter::WritePrologue() {
  std::string line = ";- VORTIQ V";
  line += kVersion;
  line += " [";
  line += kProjectAddress;
  line += "]\r\n";
  WriteHeaderText(line);

  line = ";- '";
  line += GetFilePart(source_path_);
  line += "' header, generated at ";
  line += FormatDate(kTimeStampMask, date_);
  line += ".\r\n";
  WriteHeaderText(line);

  WriteHeaderText("\r\n");
  WriteHeaderText(kTopLevelOpening);
}

void Emitter::EmitStatement(std::string_view statement) {
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

bool Emitter::MaybeMoveTo(bool matches, SectionState next) {
  if (matches) section_state_ = next;
  return matches;
}

bool Emitter::MaybeDeclareProcedure(std::string_view statement, SectionState next) {
  if (!IsProcedureStart(statement)) return false;
  section_state_ = next;
  // A copy: reading ahead may end the validity of `statement`.
  const std::string declaration = ProcedureToDeclare(statement);
  line_.clear();
  ConvertHeader(declaration, statement_position_, statements_, &line_);
  line_ += "\r\n";
  WriteHeaderText(line_);
  return true;
}

bool Emitter::MaybeOpenModule(std::string_view statement) {
  if (!IsModuleStart(statement)) return false;
  section_state_ = SectionState::InModule;
  module_name_ = ModuleNameOf(statement);
  std::string text(kBlockEnd);
  text += "CompilerIf #PB_Compiler_Module = \"";
  text += module_name_;
  text += "\"\r\n";
  WriteHeaderText(text);
  return true;
}

bool Emitter::MaybeCloseModule(std::string_view statement) {
  if (!IsModuleEnd(statement)) return false;
  section_state_ = SectionState::TopLevel;
  std::string text(kBlockEnd);
  text += kTopLevelOpening;
  WriteHeaderText(text);
  return true;
}

}  // namespace vortiq
