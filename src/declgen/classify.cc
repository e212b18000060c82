#include "declgen/classify.h"

#include "base/text.h"

namespace vortiq {

std::string_view DeclarationKeyword(size_t procedure_keyword_length) noexcept {
  switch (procedure_keyword_length) {
    case 13:
      return "DeclareCDLL";
    case 12:
      return "DeclareDLL";
    case 10:
      return "DeclareC";
    case 9:
      return "Declare";
    default:
      return {};
  }
}

std::string_view ModuleNameOf(std::string_view statement) noexcept {
  // A comment behind the name is no part of it: "Module STR ; strings" is the
  // module STR, whose fence must match #PB_Compiler_Module.
  std::string_view name = Mid(statement, 7);
  name = name.substr(0, name.find(';'));
  const size_t first = name.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return name.substr(first, name.find_last_not_of(" \t") + 1 - first);
}

}  // namespace vortiq
