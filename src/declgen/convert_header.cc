#include "declgen/convert_header.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
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

// Characters that change nothing in a parameter list outside strings: they are
// copied, or dropped while a type is cut. A blank is not one of them, since the
// character after it may follow a collection keyword.
constexpr std::string_view kSpecial = "\";*.,=() ";
constexpr std::array<bool, 256> kOrdinary = [] {
  std::array<bool, 256> ordinary{};
  ordinary.fill(true);
  for (const unsigned char c : kSpecial) ordinary[c] = false;
  return ordinary;
}();

bool IsOrdinary(char c) { return kOrdinary[static_cast<unsigned char>(c)]; }

// The end of the run of ordinary characters that begins at `text[start]`, an
// ordinary character: the first character after it that is not one, or `size`.
size_t OrdinaryRunEnd(const char* text, size_t start, size_t size) {
  size_t at = start + 1;
#if defined(__SSE2__)
  // Sixteen characters at a time: the run ends at the first special one.
  while (size - at >= 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at));
    __m128i special = _mm_setzero_si128();
    for (const char c : kSpecial) {
      special = _mm_or_si128(special, _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c)));
    }
    const auto mask = static_cast<uint32_t>(_mm_movemask_epi8(special));
    if (mask != 0) return at + static_cast<size_t>(std::countr_zero(mask));
    at += 16;
  }
#endif
  while (at < size && IsOrdinary(text[at])) ++at;
  return at;
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
  const char* const text = statement.data();
  const size_t size = statement.size();
  size_t i = 0;
  if (!continuing) {
    // Before the parameter list everything is copied, up to and including the first '('.
    const size_t open = statement.find('(');
    i = open == std::string_view::npos ? size : open + 1;
  }
  // The result is written in place into room for the whole statement: it never
  // outgrows it, as an element type only replaces characters that were cut.
  const size_t result_start = out->size();
  out->resize(result_start + size);
  char* const result = out->data() + result_start;
  char* end = std::copy_n(text, i, result);
  bool in_string = false;
  bool cut = false;           // pointer or collection parameter: a '.' starts a cut
  bool cutting = false;       // characters are dropped
  bool element_type = false;  // collecting a List/Array/Map element type
  ElementType element;
  char last = i > 0 ? text[i - 1] : '\0';
  // Puts the run of characters [i, run_end) where the current flags say: each
  // of them would take the same way one at a time.
  const auto take_run = [&](size_t run_end) {
    if (!cutting) {
      if (run_end - i <= 16 && size - i >= 16) {
        // Sixteen bytes at once: the result has room for them, as it never
        // holds more characters than have been scanned.
        std::memcpy(end, text + i, 16);
        end += run_end - i;
      } else {
        end = std::copy(text + i, text + run_end, end);
      }
    } else if (element_type) {
      element.Append(statement.substr(i, run_end - i));
    }
    last = text[run_end - 1];
    i = run_end;
  };
  // Collection keywords are seen at each character outside strings that
  // follows a space of the result.
  const auto after_collection_keyword = [&] { return EndsWithCollectionKeyword(result, end); };
  while (i < size) {
    const char c = text[i];
    if (in_string) {
      if (c != '"') {
        // Inside a string only the closing quotation mark matters.
        const size_t quote = statement.find('"', i);
        take_run(quote == std::string_view::npos ? size : quote);
        continue;
      }
    } else if (IsOrdinary(c)) {
      if (after_collection_keyword()) cut = element_type = true;
      take_run(OrdinaryRunEnd(text, i, size));
      continue;
    }
    last = c;
    ++i;
    if (c == '"') in_string = !in_string;
    if (!in_string) {
      if (after_collection_keyword()) cut = element_type = true;
      if (c == ';') break;  // a comment: neither it nor the rest is copied
      // Without a switch: these characters follow each other with no pattern a
      // branch predictor could learn.
      const bool ends_parameter = c == ',' || c == '=';
      if (c == '(' && element_type) {
        end = element.AppendIfBasic(end);
        element_type = false;
        element = ElementType();
      }
      cutting = (cutting || (c == '.' && cut)) && !(ends_parameter || c == '(' || c == ')');
      cut = (cut || c == '*') && !ends_parameter;
    }
    if (cutting && element_type) element.Append(std::string_view(&c, 1));
    *end = c;  // there is room for it either way
    end += cutting ? 0 : 1;
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
