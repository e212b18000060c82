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

}  // namespace

void AppendProcedureToDeclare(std::string_view statement, std::string* out) {
  for (const KeywordMapping& mapping : kDeclarationKeywords) {
    if (StartsWithKeyword(statement, mapping.keyword)) {
      out->append(mapping.declaration);
      out->append(Mid(statement, Len(mapping.keyword) + 1));
      return;
    }
  }
  out->append("ERROR");
}

std::string ProcedureToDeclare(std::string_view statement) {
  std::string declaration;
  AppendProcedureToDeclare(statement, &declaration);
  return declaration;
}

std::string_view ModuleNameOf(std::string_view statement) noexcept {
  return Trim(Mid(statement, 7));
}

}  // namespace vortiq
