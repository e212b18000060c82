#include "declgen/convert_header.h"

#include <array>

#include "run/text.h"

namespace vortiq {
namespace {

constexpr std::array<std::string_view, 11> kBasicTypeSuffixes = {
    ".b", ".a", ".c", ".w", ".u", ".l", ".i", ".f", ".q", ".d", ".s",
};

// Appends the lower-cased element type to `*out` when it is a basic type suffix.
void AppendBasicElementType(std::string_view element_type, std::string* out) {
  if (element_type.size() != 2) return;
  const std::string lower = LCase(element_type);
  for (std::string_view suffix : kBasicTypeSuffixes) {
    if (lower == suffix) {
      out->append(suffix);
      return;
    }
  }
}

class VectorLookahead final : public StatementLookahead {
 public:
  explicit VectorLookahead(const std::vector<std::string>& following) : following_(following) {}
  bool StatementAt(uint64_t index, std::string_view* statement) override {
    // The header itself is at index 0.
    if (index == 0 || index > following_.size()) return false;
    *statement = following_[index - 1];
    return true;
  }

 private:
  const std::vector<std::string>& following_;
};

}  // namespace

bool ScanDeclarationStatement(std::string_view statement, bool continuing, std::string* out) {
  const size_t result_start = out->size();
  bool parameters = continuing;  // the parameter list has begun
  bool in_string = false;
  bool cut = false;           // pointer or collection parameter: a '.' starts a cut
  bool cutting = false;       // characters are dropped
  bool element_type = false;  // collecting a List/Array/Map element type
  std::string element_type_text;
  char last = '\0';
  for (const char c : statement) {
    last = c;
    if (!parameters) {
      if (c == '(') parameters = true;
      out->push_back(c);
      continue;
    }
    if (c == '"') in_string = !in_string;
    if (!in_string) {
      // Collection keywords are seen at the first character after "list " etc.
      if (out->size() > result_start && out->back() == ' ') {
        const std::string_view result(out->data() + result_start, out->size() - result_start);
        if (EndsWithKeyword(result, "list ") || EndsWithKeyword(result, "array ") ||
            EndsWithKeyword(result, "map ")) {
          cut = true;
          element_type = true;
        }
      }
      if (c == '*') cut = true;
      if (c == '.' && cut) cutting = true;
      if (c == ',' || c == '=') {
        cutting = false;
        cut = false;
      }
      if (c == '(') {
        cutting = false;
        if (element_type) {
          AppendBasicElementType(element_type_text, out);
          element_type = false;
          element_type_text.clear();
        }
      }
      if (c == ')') cutting = false;
      if (c == ';') break;  // a comment: neither it nor the rest is copied
    }
    if (!cutting) {
      out->push_back(c);
    } else if (element_type) {
      element_type_text.push_back(c);
    }
  }
  return last == ',';
}

void ConvertHeader(std::string_view header, uint64_t position, StatementLookahead* following,
                   std::string* out) {
  bool continues = ScanDeclarationStatement(header, /*continuing=*/false, out);
  std::string_view statement;
  while (continues && following->StatementAt(++position, &statement)) {
    continues = ScanDeclarationStatement(statement, /*continuing=*/true, out);
  }
}

std::string ConvertHeader(std::string_view header, const std::vector<std::string>& following) {
  VectorLookahead lookahead(following);
  std::string declaration;
  ConvertHeader(header, 0, &lookahead, &declaration);
  return declaration;
}

}  // namespace vortiq
