#include "declgen/convert_header.h"

#include <algorithm>
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

  // Writes the type lower-cased at `end` when it is a basic type suffix (".b",
  // ".a", ".c", ".w", ".u", ".l", ".i", ".f", ".q", ".d" or ".s"); returns the
  // new end.
  char* AppendIfBasic(char* end) const {
    const char type = LowerAscii(text[1]);
    if (length != 2 || text[0] != '.' ||
        std::string_view("bacwulifqds").find(type) == std::string_view::npos) {
      return end;
    }
    *end++ = '.';
    *end++ = type;
    return end;
  }
};

}  // namespace

bool ScanDeclarationStatement(std::string_view statement, bool continuing, std::string* out) {
  // Room for the most the statement can give, made before the text grows: a
  // long one is then not copied as it grows, and room not written costs nothing.
  out->reserve(out->size() + statement.size());
  const size_t first = out->size();  // where this statement's text begins
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
  // The text is written in place, into room made for a stretch of the
  // statement at a time: it never outgrows what has been scanned, as an
  // element type only replaces characters that were cut.
  constexpr size_t kStretch = 64 * 1024;
  while (at < statement.size()) {
    const size_t stop = std::min(statement.size(), at + kStretch);
    const size_t written = out->size();
    out->resize(written + (stop - at));
    char* const result = out->data() + first;
    char* end = out->data() + written;
    for (; at < stop; ++at) {
      const char c = statement[at];
      if (c == '"') in_string = !in_string;
      // Inside a string, and at its opening quotation mark, nothing changes.
      if (!in_string) {
        // A collection keyword and its space right before the character make
        // the parameter one whose element type is collected and cut.
        const std::string_view so_far(result, static_cast<size_t>(end - result));
        if (so_far.ends_with(' ') &&
            (EndsWithKeyword(so_far, "list ") || EndsWithKeyword(so_far, "array ") ||
             EndsWithKeyword(so_far, "map "))) {
          cut = element_type = true;
        }
        switch (c) {
          case ';':  // a comment: neither it nor the rest is copied
            out->resize(static_cast<size_t>(end - out->data()));
            return false;
          case ',':
          case '=':  // the parameter's type ends, and with it any cut
            cut = cutting = false;
            break;
          case '(':  // a collection's element type ends
            cutting = false;
            if (element_type) end = element.AppendIfBasic(end);
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
        *end++ = c;
      } else if (element_type) {
        element.Append(c);
      }
    }
    out->resize(static_cast<size_t>(end - out->data()));
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
