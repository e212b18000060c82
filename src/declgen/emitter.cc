#include "declgen/emitter.h"

#include "base/text.h"
#include "base/utf8.h"
#include "declgen/classify.h"
#include "version.h"

namespace vortiq {
namespace {

constexpr std::string_view kTopLevelOpening = "CompilerIf #PB_Compiler_Module = \"\"\r\n";
constexpr std::string_view kBlockEnd = "CompilerEndIf\r\n";

// Appends the UTF-8 `text` with every control character (C0, U+007F, C1) and
// the Unicode line and paragraph separators as U+FFFD, so that a file name
// cannot add lines to the header in any editor.
void AppendWithoutControls(std::string_view text, std::string* out) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    const auto third = i + 2 < text.size() ? static_cast<unsigned char>(text[i + 2]) : 0;
    if (byte < 0x20 || byte == 0x7F) {
      out->append(kReplacementCharacter);
    } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {  // U+0080 to U+009F
      out->append(kReplacementCharacter);
      i += 1;
    } else if (byte == 0xE2 && next == 0x80 && (third == 0xA8 || third == 0xA9)) {
      out->append(kReplacementCharacter);  // U+2028 LINE SEPARATOR, U+2029 PARAGRAPH SEPARATOR
      i += 2;
    } else {
      out->push_back(static_cast<char>(byte));
    }
  }
}

}  // namespace

Emitter::Emitter(std::string_view source_path, DateValue date, StatementLookahead* statements,
                 HeaderWriter* header)
    : source_path_(source_path), date_(date), statements_(statements), header_(header) {}

void Emitter::WriteHeaderText(std::string_view text) { header_->WriteString(text); }

void Emitter::WritePrologue() {
  std::string line = ";- VORTIQ V";
  line += kVersion;
  line += " [";
  line += kProjectAddress;
  line += "]\r\n";
  WriteHeaderText(line);

  line = kCommentLineStart;
  AppendWithoutControls(GetFilePart(source_path_), &line);
  line += kGeneratedAt;
  line += FormatDate(kTimeStampMask, date_);
  line += ".\r\n";
  WriteHeaderText(line);

  WriteHeaderText("\r\n");
  WriteHeaderText(kTopLevelOpening);
}

void Emitter::Finish() { WriteHeaderText(kClosingLine); }

void Emitter::WriteDeclaration(std::string_view statement) {
  // The keyword is replaced in place: the rest of the header is scanned before
  // anything is read ahead (which may end the validity of `statement`).
  // The declaration is made in the header's buffer, not copied there.
  const size_t keyword = ProcedureKeywordLength(statement);
  std::string* const line = header_->buffer();
  line->append(DeclarationKeyword(keyword));
  ConvertHeader(statement.substr(keyword), statement_position_, statements_, line);
  line->append("\r\n");
  header_->Appended();
}

void Emitter::WriteModuleOpening(std::string_view statement) {
  module_name_ = ModuleNameOf(statement);
  std::string text(kBlockEnd);
  text += "CompilerIf #PB_Compiler_Module = \"";
  text += module_name_;
  text += "\"\r\n";
  WriteHeaderText(text);
}

void Emitter::WriteModuleClosing() {
  std::string text(kBlockEnd);
  text += kTopLevelOpening;
  WriteHeaderText(text);
}

}  // namespace vortiq
