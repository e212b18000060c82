#include "declgen/convert_header.h"

#include <algorithm>
#include <array>

#include "run/text.h"

namespace vortiq {
namespace {

constexpr std::array<std::string_view, 11> kBasicTypeSuffixes = {
    ".b", ".a", ".c", ".w", ".u", ".l", ".i", ".f", ".q", ".d", ".s",
};

// Writes the lower-cased element type at `end` when it is a basic type suffix;
// returns the new end.
char* AppendBasicElementType(std::string_view element_type, char* end) {
  if (element_type.size() != 2) return end;
  for (std::string_view suffix : kBasicTypeSuffixes) {
    if (StartsWithKeyword(element_type, suffix))
      return std::copy(suffix.begin(), suffix.end(), end);
  }
  return end;
}

// Characters that change nothing in a parameter list outside strings: they are
// copied, or dropped while a type is cut. A blank is not one of them, since the
// character after it may follow a collection keyword.
constexpr std::array<bool, 256> kOrdinary = [] {
  std::array<bool, 256> ordinary{};
  ordinary.fill(true);
  for (const unsigned char c : std::string_view("\";*.,=() ")) ordinary[c] = false;
  return ordinary;
}();

bool IsOrdinary(char c) { return kOrdinary[static_cast<unsigned char>(c)]; }

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
  size_t i = 0;
  if (!continuing) {
    // Before the parameter list everything is copied, up to and including the first '('.
    const size_t open = statement.find('(');
    i = open == std::string_view::npos ? statement.size() : open + 1;
    out->append(statement.substr(0, i));
  }
  // The parameter list is written in place into room for the whole rest: the
  // result never outgrows the statement, as an element type only replaces
  // characters that were cut.
  const size_t written = out->size();
  out->resize(written + (statement.size() - i));
  const char* const result = out->data() + result_start;
  char* end = out->data() + written;
  bool in_string = false;
  bool cut = false;           // pointer or collection parameter: a '.' starts a cut
  bool cutting = false;       // characters are dropped
  bool element_type = false;  // collecting a List/Array/Map element type
  std::string element_type_text;
  char last = i > 0 ? statement[i - 1] : '\0';
  // Puts the run of characters [i, run_end) where the current flags say: each
  // of them would take the same way one at a time.
  const auto take_run = [&](size_t run_end) {
    const std::string_view run = statement.substr(i, run_end - i);
    if (!cutting) {
      end = std::copy(run.begin(), run.end(), end);
    } else if (element_type) {
      element_type_text.append(run);
    }
    last = run.back();
    i = run_end;
  };
  while (i < statement.size()) {
    const char c = statement[i];
    if (in_string && c != '"') {
      // Inside a string only the closing quotation mark matters.
      const size_t quote = statement.find('"', i);
      take_run(quote == std::string_view::npos ? statement.size() : quote);
      continue;
    }
    if (!in_string && IsOrdinary(c) && !(end > result && end[-1] == ' ')) {
      size_t run_end = i + 1;
      while (run_end < statement.size() && IsOrdinary(statement[run_end])) ++run_end;
      take_run(run_end);
      continue;
    }
    last = c;
    ++i;
    if (c == '"') in_string = !in_string;
    if (!in_string) {
      // Collection keywords are seen at the first character after "list " etc.
      if (end > result && end[-1] == ' ') {
        const std::string_view so_far(result, static_cast<size_t>(end - result));
        if (EndsWithKeyword(so_far, "list ") || EndsWithKeyword(so_far, "array ") ||
            EndsWithKeyword(so_far, "map ")) {
          cut = true;
          element_type = true;
        }
      }
      if (c == ';') break;  // a comment: neither it nor the rest is copied
      switch (c) {
        case '*':
          cut = true;
          break;
        case '.':
          if (cut) cutting = true;
          break;
        case ',':
        case '=':
          cutting = false;
          cut = false;
          break;
        case '(':
          cutting = false;
          if (element_type) {
            end = AppendBasicElementType(element_type_text, end);
            element_type = false;
            element_type_text.clear();
          }
          break;
        case ')':
          cutting = false;
          break;
        default:
          break;
      }
    }
    if (!cutting) {
      *end++ = c;
    } else if (element_type) {
      element_type_text.push_back(c);
    }
  }
  out->resize(static_cast<size_t>(end - out->data()));
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
