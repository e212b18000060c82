#include "declgen/emitter.h"

#include <algorithm>

#include "base/text.h"
#include "base/utf8.h"
#include "declgen/classify.h"
#include "declgen/convert_header.h"
#include "io/generated_header.h"
#include "version.h"

namespace vortiq {
namespace {

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

void AppendPrologue(std::string_view source_path, DateValue date, std::string* header) {
  header->append(";- VORTIQ V").append(kVersion).append(" [").append(kProjectAddress);
  header->append("]\r\n").append(kCommentLineStart);
  AppendWithoutControls(GetFilePart(source_path), header);
  header->append(kGeneratedAt).append(FormatDate(kTimeStampMask, date)).append(".\r\n\r\n");
  header->append("CompilerIf #PB_Compiler_Module = \"\"\r\n");
}

// Closes the block that is open and opens the one of the module `name` ("" for
// top level).
void AppendFences(std::string_view name, std::string* header) {
  header->append("CompilerEndIf\r\nCompilerIf #PB_Compiler_Module = \"").append(name);
  header->append("\"\r\n");
}

}  // namespace

SectionState EmitStatement(std::string_view statement, SectionState state,
                           const StatementCursor& cursor, std::string* header) {
  for (const SectionRule& rule : kSectionRules) {
    if (rule.from != state || !kKindTests[static_cast<size_t>(rule.kind)].test(statement)) {
      continue;
    }
    switch (rule.kind) {
      case StatementKind::ProcedureStart: {
        const size_t keyword = ProcedureKeywordLength(statement);
        header->append(DeclarationKeyword(keyword));
        ConvertHeader(statement.substr(keyword), cursor, header);
        header->append("\r\n");
        break;
      }
      case StatementKind::ModuleStart:
        AppendFences(ModuleNameOf(statement), header);
        break;
      case StatementKind::ModuleEnd:
        AppendFences("", header);
        break;
      default:  // the ends of bodies and the start of a macro write nothing
        break;
    }
    return rule.to;
  }
  return state;
}

HeaderText EmitHeader(std::string_view source, std::string_view source_path, DateValue date,
                      bool pass_over) {
  // Room for the usual header, and then for a piece at a time: a reserved
  // page costs nothing until it is written.
  HeaderText header(1);
  header.back().reserve(std::min(source.size(), kHeaderPiece) + 4096);
  StatementCursor cursor(source);
  std::string_view statement;
  if (cursor.Next(&statement)) {
    AppendPrologue(source_path, date, &header.back());
    SectionState state = SectionState::TopLevel;
    do {
      if (!IsEmptyStatement(statement)) {
        state = EmitStatement(statement, state, cursor, &header.back());
      }
      if (pass_over) cursor.PassOver(kKeywordsThatMatter[static_cast<size_t>(state)]);
      if (header.back().size() >= kHeaderPiece) header.emplace_back().reserve(kHeaderPiece + 4096);
    } while (cursor.Next(&statement));
  }
  header.back().append(kClosingLine);
  return header;
}

}  // namespace vortiq
