// Fuzzes the conversion of a procedure header into its declaration. The input's
// first line is the statement; the statements of the rest of the input, as the
// statement cursor gives them, follow it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "declgen/classify.h"
#include "declgen/convert_header.h"
#include "declgen/statements.h"
#include "fuzz_support.h"
#include "support/converted.h"

namespace vortiq::fuzz {
namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

// Whether `result` ends with the lower-case `keyword` in any case. Asked three
// times a character, so it compares in place rather than through Lower.
bool LowerTailIs(const std::string& result, std::string_view keyword) {
  if (result.size() < keyword.size()) return false;
  const char* tail = result.data() + result.size() - keyword.size();
  for (size_t i = 0; i < keyword.size(); ++i) {
    const char c = tail[i];
    if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != keyword[i]) return false;
  }
  return true;
}

// The scan of one statement written out step by step, the plain way,
// with nothing shortened: returns the text and sets `*continues`.
std::string ModelScan(std::string_view statement, bool continuing, bool* continues) {
  std::string result, element_type;
  bool parameters = continuing, in_string = false, cut = false, cutting = false;
  bool collecting = false;  // collecting the element type of a List, Array or Map
  char last = '\0';
  for (const char c : statement) {
    last = c;
    if (!parameters) {
      parameters = c == '(';
      result.push_back(c);
      continue;
    }
    if (c == '"') in_string = !in_string;
    if (!in_string) {
      if (LowerTailIs(result, "list ")) cut = collecting = true;
      if (LowerTailIs(result, "array ")) cut = collecting = true;
      if (LowerTailIs(result, "map ")) cut = collecting = true;
      if (c == '*') cut = true;
      if (c == '.' && cut) cutting = true;
      if (c == ',' || c == '=') cutting = cut = false;
      if (c == '(') {
        cutting = false;
        if (collecting) {
          static constexpr std::string_view kBasic[] = {".b", ".a", ".c", ".w", ".u", ".l",
                                                        ".i", ".f", ".q", ".d", ".s"};
          for (const std::string_view suffix : kBasic) {
            if (Lower(element_type) == suffix) result += suffix;
          }
          collecting = false;
          element_type.clear();
        }
      }
      if (c == ')') cutting = false;
      if (c == ';') break;
    }
    if (!cutting) {
      result.push_back(c);
    } else if (collecting) {
      element_type.push_back(c);
    }
  }
  *continues = last == ',';
  return result;
}

void CheckScan(std::string_view statement, bool continuing) {
  std::string out = "kept";  // the scan appends
  const bool continues = ScanDeclarationStatement(statement, continuing, &out);
  VORTIQ_FUZZ_CHECK(out.substr(0, 4) == "kept");
  const std::string_view text = std::string_view(out).substr(4);

  bool model_continues;
  VORTIQ_FUZZ_CHECK(text == ModelScan(statement, continuing, &model_continues));
  VORTIQ_FUZZ_CHECK(continues == model_continues);

  // Properties that hold whatever the details of the cuts.
  VORTIQ_FUZZ_CHECK(text.size() <= statement.size());
  VORTIQ_FUZZ_CHECK(!continues || (!statement.empty() && statement.back() == ','));
  if (!statement.empty() && statement.back() == ',' &&
      statement.find(';') == std::string_view::npos) {
    VORTIQ_FUZZ_CHECK(continues);
  }
  if (!continuing) {  // the part up to the first '(' is copied as it is
    const size_t open = statement.find('(');
    const size_t head = open == std::string_view::npos ? statement.size() : open + 1;
    VORTIQ_FUZZ_CHECK(text.substr(0, head) == statement.substr(0, head));
    if (open == std::string_view::npos) VORTIQ_FUZZ_CHECK(text == statement);
  }
  // Cuts fall next to ASCII characters only, so well-formed text stays well-formed.
  if (IsWellFormedUtf8(statement)) VORTIQ_FUZZ_CHECK(IsWellFormedUtf8(text));
}

}  // namespace
}  // namespace vortiq::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vortiq;
  using namespace vortiq::fuzz;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // The first line is the header; the rest gives the statements after it.
  const std::string header(input.substr(0, input.find('\n')));
  CheckScan(header, /*continuing=*/false);
  CheckScan(header, /*continuing=*/true);

  // The header alone, and with the statements after it: joined while the text
  // scanned last ends with ',', never past the last statement.
  bool continues = false;
  VORTIQ_FUZZ_CHECK(Converted(header) == ModelScan(header, false, &continues));
  // The statements after it are those a cursor gives of the rest of the input.
  const std::string_view rest = input.substr(std::min(input.size(), header.size() + 1));
  std::string expected = ModelScan(header, /*continuing=*/false, &continues);
  StatementCursor following(rest);
  std::string_view statement;
  while (continues && following.Next(&statement)) {
    expected += ModelScan(statement, /*continuing=*/true, &continues);
  }
  std::string declaration;
  ConvertHeader(header, StatementCursor(rest), &declaration);
  VORTIQ_FUZZ_CHECK(declaration == expected);

  // A procedure statement gets its declaration keyword: "procedure" and its
  // variants become "declare" and theirs (written in one case), two characters
  // shorter.
  if (IsProcedureStart(header)) {
    const size_t keyword = ProcedureKeywordLength(header);
    const std::string_view declaration = DeclarationKeyword(keyword);
    VORTIQ_FUZZ_CHECK(Lower(declaration).rfind("declare", 0) == 0);
    VORTIQ_FUZZ_CHECK(declaration.size() + 2 == keyword);
    VORTIQ_FUZZ_CHECK(Lower(declaration.substr(7)) ==
                      Lower(std::string_view(header).substr(9, keyword - 9)));
  }
  return 0;
}
