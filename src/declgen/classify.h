// Recognising the statements that shape a header by their first characters.
//
// Every keyword test compares the first k characters of a statement, ASCII
// lower-cased, with a lower-case keyword of exactly k characters: keywords match
// in any letter case, nothing is trimmed or skipped (a leading tab defeats every
// test), and nothing after the k-th character is looked at.
#ifndef VORTIQ_DECLGEN_CLASSIFY_H_
#define VORTIQ_DECLGEN_CLASSIFY_H_

#include <string>
#include <string_view>

namespace vortiq {

// The statement holds no character. A lone tab is not empty.
[[nodiscard]] bool IsEmptyStatement(std::string_view statement) noexcept;

// The statement's first character is ';'.
[[nodiscard]] bool IsCommentStatement(std::string_view statement) noexcept;

// Procedure, ProcedureC, ProcedureDLL or ProcedureCDLL followed directly by a
// space or a dot ("Procedure.i Add()"). "ProcedureReturn x" and "Procedure(x)" are not.
[[nodiscard]] bool IsProcedureStart(std::string_view statement) noexcept;

// Begins with "endprocedure"; anything may follow ("EndProcedure ; done").
[[nodiscard]] bool IsProcedureEnd(std::string_view statement) noexcept;

// Begins with "module " (so "DeclareModule X" and a bare "Module" are not).
[[nodiscard]] bool IsModuleStart(std::string_view statement) noexcept;

// Begins with "endmodule" ("EndDeclareModule" is not).
[[nodiscard]] bool IsModuleEnd(std::string_view statement) noexcept;

// Begins with "macro ".
[[nodiscard]] bool IsMacroStart(std::string_view statement) noexcept;

// Begins with "endmacro".
[[nodiscard]] bool IsMacroEnd(std::string_view statement) noexcept;

// Replaces the procedure keyword by its declaration keyword, longest keyword
// first, keeping the rest in its own case: "ProcedureCDLL.l Cb(x.l)" gives
// "DeclareCDLL.l Cb(x.l)". Gives "ERROR" for a statement with no procedure keyword.
[[nodiscard]] std::string ProcedureToDeclare(std::string_view statement);

// The rest of a module statement from its seventh character, spaces trimmed:
// "Module Net ; sockets" gives "Net ; sockets". "" for shorter statements.
[[nodiscard]] std::string_view ModuleNameOf(std::string_view statement) noexcept;

}  // namespace vortiq

#endif  // VORTIQ_DECLGEN_CLASSIFY_H_
