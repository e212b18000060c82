// Recognising the statements that shape a header by their first characters.
//
// Every keyword test compares the first k characters of a statement, ASCII
// lower-cased, with a lower-case keyword of exactly k characters: keywords match
// in any letter case, nothing is trimmed or skipped (a leading tab defeats every
// test), and nothing after the k-th character is looked at.
#ifndef VORTIQ_DECLGEN_CLASSIFY_H_
#define VORTIQ_DECLGEN_CLASSIFY_H_

#include <cstddef>
#include <string_view>

#include "base/text.h"

namespace vortiq {

// The tests run for every statement, so they are inline.

// The keywords the tests below look for, lower case. A statement that begins
// with kRuntimeKeyword loses it before it is tested.
inline constexpr std::string_view kProcedureKeyword = "procedure";
inline constexpr std::string_view kProcedureEndKeyword = "endprocedure";
inline constexpr std::string_view kModuleStartKeyword = "module ";
inline constexpr std::string_view kModuleEndKeyword = "endmodule";
inline constexpr std::string_view kMacroStartKeyword = "macro ";
inline constexpr std::string_view kMacroEndKeyword = "endmacro";
inline constexpr std::string_view kRuntimeKeyword = "runtime ";

// The statement holds no character. A lone tab is not empty.
[[nodiscard]] inline bool IsEmptyStatement(std::string_view statement) noexcept {
  return statement.empty();
}

// The statement's first character is ';'.
[[nodiscard]] inline bool IsCommentStatement(std::string_view statement) noexcept {
  return !statement.empty() && statement.front() == ';';
}

// Length of the procedure keyword that `statement` begins with, the longest
// that fits: 13 for "procedurecdll", 12 "proceduredll", 10 "procedurec",
// 9 "procedure" (any letter case); 0 for none. Neither 'c' nor 'd' can stand
// where a shorter keyword needs its space or dot, so the longest one decides.
[[nodiscard]] inline size_t ProcedureKeywordLength(std::string_view statement) noexcept {
  if (!StartsWithKeyword(statement, kProcedureKeyword)) return 0;
  size_t length = 9;
  if (length < statement.size() && LowerAscii(statement[length]) == 'c') ++length;
  if (StartsWithKeyword(statement.substr(length), "dll")) length += 3;
  return length;
}

// Procedure, ProcedureC, ProcedureDLL or ProcedureCDLL followed directly by a
// space or a dot ("Procedure.i Add()"). "ProcedureReturn x" and "Procedure(x)" are not.
[[nodiscard]] inline bool IsProcedureStart(std::string_view statement) noexcept {
  const size_t length = ProcedureKeywordLength(statement);
  return length > 0 && length < statement.size() &&
         (statement[length] == ' ' || statement[length] == '.');
}

// Begins with "endprocedure"; anything may follow ("EndProcedure ; done").
[[nodiscard]] inline bool IsProcedureEnd(std::string_view statement) noexcept {
  return StartsWithKeyword(statement, kProcedureEndKeyword);
}

// Begins with "module " (so "DeclareModule X" and a bare "Module" are not).
[[nodiscard]] inline bool IsModuleStart(std::string_view statement) noexcept {
  return StartsWithKeyword(statement, kModuleStartKeyword);
}

// Begins with "endmodule" ("EndDeclareModule" is not).
[[nodiscard]] inline bool IsModuleEnd(std::string_view statement) noexcept {
  return StartsWithKeyword(statement, kModuleEndKeyword);
}

// Begins with "macro ".
[[nodiscard]] inline bool IsMacroStart(std::string_view statement) noexcept {
  return StartsWithKeyword(statement, kMacroStartKeyword);
}

// Begins with "endmacro".
[[nodiscard]] inline bool IsMacroEnd(std::string_view statement) noexcept {
  return StartsWithKeyword(statement, kMacroEndKeyword);
}

// The declaration keyword for a procedure keyword of that length (as
// ProcedureKeywordLength gives it): "Declare", "DeclareC", "DeclareDLL" or
// "DeclareCDLL"; "" for any other length.
[[nodiscard]] std::string_view DeclarationKeyword(size_t procedure_keyword_length) noexcept;

// The name in a module statement: its text from the seventh character up to
// the first ';', spaces and tabs trimmed at both ends. "Module Net\t; sockets"
// gives "Net". "" for shorter statements.
[[nodiscard]] std::string_view ModuleNameOf(std::string_view statement) noexcept;

}  // namespace vortiq

#endif  // VORTIQ_DECLGEN_CLASSIFY_H_
