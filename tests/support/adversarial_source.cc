#include "support/adversarial_source.h"

#include <string_view>

#include "support/split_mix.h"

namespace vortiq::testing {
namespace {

using namespace std::string_view_literals;

// The first words of statements: what moves the section machine in some state,
// and what comes close to it without doing so.
constexpr std::string_view kOpenings[] = {
    "Procedure ",
    "Procedure.i ",
    "ProcedureC ",
    "ProcedureDLL ",
    "ProcedureCDLL.l ",
    "procedurec.s ",
    "PROCEDURE ",
    "Procedure",
    "Procedure(",
    "ProcedureReturn ",
    "Procedur ",
    "ProcedureX ",
    "Procedure\t",
    "EndProcedure",
    "endprocedure ; x",
    "EndProcedur",
    "EndProcedureX",
    "ENDPROCEDURE",
    "Module ",
    "module   ",
    "Module",
    "ModuleX ",
    "EndModule",
    "endmodule",
    "EndModul",
    "EndModuleX",
    "Macro ",
    "MACRO ",
    "Macro",
    "MacroX ",
    "EndMacro",
    "EndMacr",
    "endmacroX",
    "Runtime ",
    "RUNTIME   ",
    "Runtime",
    "Runtime\t",
    "DeclareModule ",
    "EndDeclareModule",
    "If ",
    "EndIf",
    "; ",
    ";",
    "Declare ",
    "Proc",
    "End",
    "R",
    "M",
    "E",
    "P",
};

// What may follow an opening: names, parameter lists, continuations, comments.
constexpr std::string_view kRests[] = {
    "A()",
    "Name(a.l, *p.Point, List l.s(), Array v.Vec(1), Map m.i())",
    "Join(a.s,",
    "b.s)",
    "x,",
    "Mod::Name(x.Mod::T)",
    "S(a.s = \"x:y\", b = ';')",
    "Net ; sockets",
    "T(x) ; note: Procedure Q()",
    "",
    " ",
    "Caf\xC3\xA9()",
    "\xE2\x82\xAC(x)",
    "(x) * 2",
    "a = b",
};

// Line ends, each as likely as its weight: zero bytes, stray bytes and lead
// bytes before them among them.
constexpr std::string_view kLineEnds[] = {
    "\r\n"sv,
    "\r\n"sv,
    "\r\n"sv,
    "\n"sv,
    "\n"sv,
    "\n"sv,
    "\r"sv,
    "\0\n"sv,
    "\0"sv,
    "\r\r\n"sv,
    "\xC3\n"sv,
    "\xE2\x82\r\n"sv,
    "\xF0\x9F\n"sv,
    "\x80\n"sv,
    "\xFF\r\n"sv,
    "\xC3"sv,
    "x\0y\r\n"sv,
    "\xC3\x80\r\n"sv,
    // A lead byte followed by all but its last continuation byte takes the
    // line end as that byte: the next line is not one.
    "\xDF\n"sv,
    "\xE2\x82\n"sv,
    "\xF0\x9F\x98\n"sv,
    "\xF4\x8F\xBF\r\n"sv,
    "\xF7\xBF\xBF\n"sv,
};

using Random = SplitMix64;

template <size_t N>
std::string_view Pick(Random* random, const std::string_view (&texts)[N]) {
  return texts[random->Below(N)];
}

// One statement, indented by a run of spaces that may cross a 64-byte block.
void AppendStatement(Random* random, std::string* source) {
  if (random->Chance(70)) {
    const size_t spaces = random->Chance(20) ? random->Below(140) : random->Below(6);
    source->append(spaces, ' ');
  }
  if (random->Chance(5)) source->push_back('\t');
  // "Runtime " in front makes any statement one that it is dropped from.
  if (random->Chance(10)) source->append(random->Chance(50) ? "Runtime " : "rUNTIME  ");
  std::string_view opening = Pick(random, kOpenings);
  // Now and then a keyword cut off where a 64-byte block or the buffer ends.
  if (random->Chance(5)) opening = opening.substr(0, random->Below(opening.size() + 1));
  for (const char c : opening) {
    // Any letter case.
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    source->push_back(letter && random->Chance(30) ? static_cast<char>(c ^ 0x20) : c);
  }
  source->append(Pick(random, kRests));
  if (random->Chance(10)) source->append(random->Below(90), ' ');  // trailing spaces
}

}  // namespace

std::string AdversarialSource(uint64_t seed, size_t size) {
  Random random(seed);
  std::string source;
  source.reserve(size + 256);
  while (source.size() < size) {
    if (random.Chance(3)) {
      // A long line of filler, so that what follows lands anywhere in a block.
      source.append(random.Below(200), random.Chance(50) ? 'x' : ' ');
    }
    const size_t statements = 1 + (random.Chance(25) ? random.Below(4) : 0);
    for (size_t i = 0; i < statements; ++i) {
      if (i > 0) source.append(random.Chance(15) ? " :: " : random.Chance(50) ? " : " : ":");
      AppendStatement(&random, &source);
    }
    source.append(Pick(&random, kLineEnds));
  }
  return source;
}

}  // namespace vortiq::testing
