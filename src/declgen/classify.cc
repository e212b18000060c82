#include "declgen/classify.h"

#include <array>

#include "run/text.h"

namespace vortiq {
namespace {

struct KeywordMapping {
  std::string_view keyword;      // compared lower-cased
  std::string_view declaration;  // written in its place
};

// Longest first, so "procedurecdll" is not taken for "procedure".
constexpr std::array<KeywordMapping, 4> kDeclarationKeywords = {{
    {"procedurecdll", "DeclareCDLL"},
    {"proceduredll", "DeclareDLL"},
    {"procedurec", "DeclareC"},
    {"procedure", "Declare"},
}};

constexpr std::array<std::string_view, 8> kProcedureStarts = {
    "procedure ",    "procedure.",    "procedurec ",    "procedurec.",
    "proceduredll ", "proceduredll.", "procedurecdll ", "procedurecdll.",
};

}  // namespace

bool IsEmptyStatement(std::string_view statement) noexcept { return statement.empty(); }

bool IsCommentStatement(std::string_view statement) noexcept {
  return !statement.empty() && statement.front() == ';';
}

bool IsProcedureStart(std::string_view statement) noexcept {
  if (statement.size() < 10) return false;
  for (std::string_view keyword : kProcedureStarts) {
    if (StartsWithKeyword(statement, keyword)) return true;
  }
  return false;
}

bool IsProcedureEnd(std::string_view statement) noexcept {
  return StartsWithKeyword(statement, "endprocedure");
}

bool IsModuleStart(std::string_view statement) noexcept {
  return StartsWithKeyword(statement, "module ");
}

bool IsModuleEnd(std::string_view statement) noexcept {
  return StartsWithKeyword(statement, "endmodule");
}

bool IsMacroStart(std::string_view statement) noexcept {
  return StartsWithKeyword(statement, "macro ");
}

bool IsMacroEnd(std::string_view statement) noexcept {
  return StartsWithKeyword(statement, "endmacro");
}

std::string ProcedureToDeclare(std::string_view statement) {
  for (const KeywordMapping& mapping : kDeclarationKeywords) {
    if (StartsWithKeyword(statement, mapping.keyword)) {
      std::string declaration(mapping.declaration);
      declaration += Mid(statement, Len(mapping.keyword) + 1);
      return declaration;
    }
  }
  return "ERROR";
}

std::string_view ModuleNameOf(std::string_view statement) noexcept {
  return Trim(Mid(statement, 7));
}

}  // namespace vortiq
