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
  return Trim(Mid(statement, 7));
}

}  // namespace vortiq
