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

// The scan of one statement of a declaration. The result is written in place
// into room for the whole statement at the end of the output: it never outgrows
// what has been scanned, as an element type only replaces characters that were
// cut.
class StatementScan {
 public:
  StatementScan(std::string_view statement, std::string* out)
      : text_(statement.data()), size_(statement.size()), out_(out) {
    const size_t start = out->size();
    out->resize(start + size_);
    result_ = end_ = out->data() + start;
  }

  // Before the parameter list: copies everything up to and including the first
  // '(' (keyword, return type, name) unchanged.
  void CopyUpToParameters() {
    const size_t open = std::string_view(text_, size_).find('(');
    at_ = open == std::string_view::npos ? size_ : open + 1;
    end_ = std::copy_n(text_, at_, end_);
    if (at_ > 0) last_ = text_[at_ - 1];
  }

  // The parameter list, to the end of the statement or to a comment.
  [[gnu::always_inline]] void ScanParameters() {
    while (at_ < size_) {
      const char c = text_[at_];
      if (in_string_) {
        if (c != '"') {
          TakeStringRun();
          continue;
        }
      } else if (IsOrdinary(c)) {
        NoteCollectionKeyword();
        TakeRun(OrdinaryRunEnd(text_, at_, size_));
        continue;
      }
      if (!TakeSpecial(c)) break;  // a comment: neither it nor the rest is copied
    }
  }

  // Ends the scan; returns whether the last character examined is ',', that
  // is whether the next statement continues the list.
  bool Finish() {
    out_->resize(static_cast<size_t>(end_ - out_->data()));
    return last_ == ',';
  }

 private:
  // Inside a string only the closing quotation mark matters.
  void TakeStringRun() {
    const size_t quote = std::string_view(text_, size_).find('"', at_);
    TakeRun(quote == std::string_view::npos ? size_ : quote);
  }

  // A collection keyword with its space right before the character at hand
  // makes the parameter one whose element type is collected and cut.
  void NoteCollectionKeyword() {
    if (EndsWithCollectionKeyword(result_, end_)) cut_ = element_type_ = true;
  }

  // Puts the characters [at_, run_end), each of which would take the same way
  // one at a time, where the flags say.
  void TakeRun(size_t run_end) {
    if (!cutting_) {
      if (run_end - at_ <= 16 && size_ - at_ >= 16) {
        // Sixteen bytes at once: the result has room for them, as it never
        // holds more characters than have been scanned.
        std::memcpy(end_, text_ + at_, 16);
        end_ += run_end - at_;
      } else {
        end_ = std::copy(text_ + at_, text_ + run_end, end_);
      }
    } else if (element_type_) {
      element_.Append(std::string_view(text_ + at_, run_end - at_));
    }
    last_ = text_[run_end - 1];
    at_ = run_end;
  }

  // A quotation mark, or outside strings a character that changes the flags.
  // Returns false at a ';' outside strings, where the statement's scan ends.
  bool TakeSpecial(char c) {
    last_ = c;
    ++at_;
    if (c == '"') in_string_ = !in_string_;
    if (!in_string_) {
      NoteCollectionKeyword();
      if (c == ';') return false;
      // Without a switch: these characters follow each other with no pattern a
      // branch predictor could learn.
      const bool ends_parameter = c == ',' || c == '=';
      if (c == '(' && element_type_) {
        end_ = element_.AppendIfBasic(end_);
        element_type_ = false;
        element_ = ElementType();
      }
      cutting_ = (cutting_ || (c == '.' && cut_)) && !(ends_parameter || c == '(' || c == ')');
      cut_ = (cut_ || c == '*') && !ends_parameter;
    }
    if (cutting_ && element_type_) element_.Append(std::string_view(&c, 1));
    *end_ = c;  // there is room for it either way
    end_ += cutting_ ? 0 : 1;
    return true;
  }

  const char* const text_;
  const size_t size_;
  std::string* const out_;
  size_t at_ = 0;           // the next character to scan
  char* result_ = nullptr;  // where this statement's result begins in *out_
  char* end_ = nullptr;     // where it ends so far
  char last_ = '\0';        // the character examined last
  bool in_string_ = false;
  bool cut_ = false;           // pointer or collection parameter: a '.' starts a cut
  bool cutting_ = false;       // characters are dropped
  bool element_type_ = false;  // collecting a List/Array/Map element type
  ElementType element_;
};

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
  StatementScan scan(statement, out);
  if (!continuing) scan.CopyUpToParameters();
  scan.ScanParameters();
  return scan.Finish();
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
