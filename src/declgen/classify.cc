#include "declgen/classify.h"

#include "run/text.h"

namespace vortiq {

void AppendProcedureToDeclare(std::string_view statement, std::string* out) {
  if (!StartsWithKeyword(statement, "procedure")) {
    out->append("ERROR");
    return;
  }
  // The longest keyword wins: "procedure", then an optional "c", then an
  // optional "dll" (procedurecdll, proceduredll, procedurec, procedure).
  size_t length = 9;
  const bool c = length < statement.size() && LowerAscii(statement[length]) == 'c';
  if (c) ++length;
  const bool dll = StartsWithKeyword(statement.substr(length), "dll");
  if (dll) length += 3;
  out->append(c ? (dll ? "DeclareCDLL" : "DeclareC") : (dll ? "DeclareDLL" : "Declare"));
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
