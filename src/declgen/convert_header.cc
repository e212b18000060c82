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

  void Append(std::string_view run) {
    for (size_t k = 0; k < run.size() && length + k < 2; ++k) text[length + k] = run[k];
    length += run.size();
  }

  // Writes the type lower-cased at `end` when it is a basic type suffix (".b",
  // ".a", ".c", ".w", ".u", ".l", ".i", ".f", ".q", ".d" or ".s"); returns the
  // new end.
  char* AppendIfBasic(char* end) const {
    if (length != 2 || text[0] != '.') return end;
    const char type = LowerAscii(text[1]);
    if (std::string_view("bacwulifqds").find(type) == std::string_view::npos) return end;
    *end++ = '.';
    *end++ = type;
    return end;
  }
};

// Whether the text [begin, end) ends with a collection keyword and its space,
// in any letter case. Inline: it is asked after every space of a parameter
// list, and the letter before the space rules out nearly all of them.
inline bool EndsWithCollectionKeyword(const char* begin, const char* end) {
  if (end - begin < 4 || end[-1] != ' ') return false;
  const char letter = LowerAscii(end[-2]);
  if (letter != 't' && letter != 'y' && letter != 'p') return false;
  const std::string_view so_far(begin, static_cast<size_t>(end - begin));
  return EndsWithKeyword(so_far, "list ") || EndsWithKeyword(so_far, "array ") ||
         EndsWithKeyword(so_far, "map ");
}

// What a character does to the scan of a parameter list, outside strings.
enum class Role : uint8_t {
  kNone,     // copied, or dropped while a type is cut
  kBlank,    // the same, but a collection keyword may end at it
  kQuote,    // '"': a string begins or ends
  kComment,  // ';': neither it nor the rest is copied
  kEnd,      // ',' or '=': the parameter's type ends, and with it any cut
  kOpen,     // '(': a collection's element type ends; a cut ends
  kClose,    // ')': a cut ends
  kType,     // '.': a type begins, cut when the parameter is a pointer or collection
  kPointer,  // '*': the parameter is a pointer
};

constexpr std::array<Role, 256> kRoles = [] {
  std::array<Role, 256> roles{};
  roles[' '] = Role::kBlank;
  roles['"'] = Role::kQuote;
  roles[';'] = Role::kComment;
  roles[','] = roles['='] = Role::kEnd;
  roles['('] = Role::kOpen;
  roles[')'] = Role::kClose;
  roles['.'] = Role::kType;
  roles['*'] = Role::kPointer;
  return roles;
}();

}  // namespace

bool ScanDeclarationStatement(std::string_view statement, bool continuing, std::string* out) {
  // The result is written in place into room for the whole statement at the
  // end of the output: it never outgrows what has been scanned, as an element
  // type only replaces characters that were cut.
  const char* const text = statement.data();
  const size_t size = statement.size();
  const size_t first = out->size();
  out->resize(first + size);
  char* const result = out->data() + first;
  char* end = result;
  size_t at = 0;
  if (!continuing) {
    // Everything up to and including the first '(' (keyword, return type,
    // name) is copied unchanged.
    const size_t open = statement.find('(');
    at = open == std::string_view::npos ? size : open + 1;
    end = std::copy_n(text, at, end);
  }
  bool in_string = false;
  bool cut = false;           // pointer or collection parameter: a '.' starts a cut
  bool cutting = false;       // characters are dropped
  bool element_type = false;  // collecting a List/Array/Map element type
  bool spaced = false;        // the result ends with a space
  ElementType element;
  while (at < size) {
    if (!cutting && !spaced) {
      // Most characters are copied and change nothing, in strings or out.
      while (at < size && kRoles[static_cast<unsigned char>(text[at])] == Role::kNone) {
        *end++ = text[at++];
      }
      if (at == size) break;
    }
    const char c = text[at++];
    const Role role = kRoles[static_cast<unsigned char>(c)];
    if (in_string || role == Role::kQuote) {
      in_string = role == Role::kQuote ? !in_string : in_string;
    }
    // Inside a string, and at its opening quotation mark, nothing changes.
    // Elsewhere a collection keyword with its space right before the character
    // makes the parameter one whose element type is collected and cut.
    if (!in_string) {
      if (spaced && EndsWithCollectionKeyword(result, end)) cut = element_type = true;
      switch (role) {
        case Role::kNone:
        case Role::kBlank:
        case Role::kQuote:
          break;
        case Role::kComment:
          out->resize(static_cast<size_t>(end - out->data()));
          return false;
        case Role::kEnd:
          cut = cutting = false;
          break;
        case Role::kOpen:
          if (element_type) {
            end = element.AppendIfBasic(end);
            element_type = false;
            element = ElementType();
          }
          cutting = false;
          break;
        case Role::kClose:
          cutting = false;
          break;
        case Role::kType:
          cutting = cutting || cut;
          break;
        case Role::kPointer:
          cut = true;
          break;
      }
    }
    if (!cutting) {
      *end++ = c;
      spaced = c == ' ';
    } else if (element_type) {
      element.Append(std::string_view(&c, 1));
    }
  }
  out->resize(static_cast<size_t>(end - out->data()));
  // Whether the character examined last is ',': then the list goes on.
  return at > 0 && text[at - 1] == ',';
}

void ConvertHeader(std::string_view header, uint64_t position, StatementLookahead* following,
                   std::string* out) {
  bool continues = ScanDeclarationStatement(header, /*continuing=*/false, out);
  std::string_view statement;
  while (continues && following->StatementAt(++position, &statement)) {
    continues = ScanDeclarationStatement(statement, /*continuing=*/true, out);
  }
}

}  // namespace vortiq
