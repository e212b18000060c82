#include "declgen/convert_header.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include "base/text.h"

namespace vortiq {
namespace {

// The element type of a List, Array or Map parameter, as far as it matters:
// only a two-character one can be a basic type suffix.
struct ElementType {
  size_t length = 0;
  char text[2] = {};

  void Append(char c) {
    if (length < 2) text[length] = c;
    ++length;
  }

  // Appends the type lower-cased to `*out` when it is a basic type suffix
  // (".b", ".a", ".c", ".w", ".u", ".l", ".i", ".f", ".q", ".d" or ".s").
  void AppendIfBasic(std::string* out) const {
    const char type = LowerAscii(text[1]);
    if (length == 2 && text[0] == '.' &&
        std::string_view("bacwulifqds").find(type) != std::string_view::npos) {
      out->push_back('.');
      out->push_back(type);
    }
  }
};

// The characters that change the scan of a parameter list, and the space
// after which a collection keyword may end: runs of any others are copied, or
// cut, whole.
constexpr std::array<bool, 256> kChangesScan = [] {
  std::array<bool, 256> changes{};
  for (const char c : std::string_view("\" ;,=().*")) changes[static_cast<uint8_t>(c)] = true;
  return changes;
}();

}  // namespace

bool ScanDeclarationStatement(std::string_view statement, bool continuing, std::string* out) {
  const size_t result = out->size();  // where this statement's text begins
  size_t at = 0;
  if (!continuing) {
    // Everything up to and including the first '(' (keyword, return type,
    // name) is copied unchanged.
    const size_t open = statement.find('(');
    at = open == std::string_view::npos ? statement.size() : open + 1;
    out->append(statement.substr(0, at));
  }
  bool in_string = false;
  bool cut = false;           // pointer or collection parameter: a '.' starts a cut
  bool cutting = false;       // characters are dropped
  bool element_type = false;  // collecting a List/Array/Map element type
  ElementType element;
  while (at < statement.size()) {
    size_t end = at;
    while (end < statement.size() && !kChangesScan[static_cast<uint8_t>(statement[end])]) ++end;
    const std::string_view run = statement.substr(at, std::max<size_t>(end - at, 1));
    at += run.size();
    const char c = run.front();
    if (c == '"') in_string = !in_string;
    // A run of characters that change nothing is taken whole; a character that
    // changes the scan is taken alone. Inside a string, and at its opening
    // quotation mark, nothing changes.
    if (!in_string) {
      // A collection keyword and its space right before the character make the
      // parameter one whose element type is collected and cut.
      const std::string_view so_far = std::string_view(*out).substr(result);
      if (so_far.ends_with(' ') &&
          (EndsWithKeyword(so_far, "list ") || EndsWithKeyword(so_far, "array ") ||
           EndsWithKeyword(so_far, "map "))) {
        cut = element_type = true;
      }
      switch (c) {
        case ';':  // a comment: neither it nor the rest is copied
          return false;
        case ',':
        case '=':  // the parameter's type ends, and with it any cut
          cut = cutting = false;
          break;
        case '(':  // a collection's element type ends
          cutting = false;
          if (element_type) element.AppendIfBasic(out);
          element_type = false;
          element = ElementType();
          break;
        case ')':
          cutting = false;
          break;
        case '.':  // a type begins, cut for a pointer or a collection
          cutting = cutting || cut;
          break;
        case '*':
          cut = true;
          break;
        default:
          break;
      }
    }
    if (!cutting) {
      out->append(run);
    } else if (element_type) {
      for (const char each : run) element.Append(each);
    }
  }
  // Whether the character examined last is ',': then the list goes on.
  return !statement.empty() && statement.back() == ',';
}

void ConvertHeader(std::string_view header, StatementCursor following, std::string* out) {
  bool continues = ScanDeclarationStatement(header, /*continuing=*/false, out);
  std::string_view statement;
  while (continues && following.Next(&statement)) {
    continues = ScanDeclarationStatement(statement, /*continuing=*/true, out);
  }
}

}  // namespace vortiq
