#include "declgen/classify.h"

#include "run/text.h"

namespace vortiq {

void AppendProcedureToDeclare(std::string_view statement, std::string* out) {
  const size_t length = ProcedureKeywordLength(statement);
  switch (length) {
    case 13:
      out->append("DeclareCDLL");
      break;
    case 12:
      out->append("DeclareDLL");
      break;
    case 10:
      out->append("DeclareC");
      break;
    case 9:
      out->append("Declare");
      break;
    default:
      out->append("ERROR");
      return;
  }
  out->append(statement.substr(length));
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
