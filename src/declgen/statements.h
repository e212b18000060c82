// The statements of a source, one at a time, from its bytes held whole.
//
// A physical line ends at LF, CR LF, a lone CR or a zero byte. Its bytes are
// read as UTF-8: a well-formed character stays as it is; a stray byte
// 0x80..0xBF or 0xF8..0xFF becomes '?'; a lead byte 0xC0..0xF7 takes the next
// 1 to 3 bytes whatever they are (a line end among them stays in the line), and
// what is then not well-formed becomes U+FFFD; decoding stops at a zero byte a
// lead byte took, and a character cut off by the end of the source is dropped.
// A byte-order mark is not recognised.
//
// A line is cut at every ':' that is not part of a "::" pair (colons in strings
// and comments cut too). Each piece is trimmed of spaces and of one leading
// "runtime ", and once a piece of the line begins with ';', it and every later
// piece of that line get one more ';' in front, so that a comment holding
// colons stays a comment:
//   "x = 1 : ; why: Procedure E()" gives "x = 1", ";; why", ";Procedure E()".
// An empty line gives one empty statement; a line ending in a single ':' gives
// no empty statement after it.
#ifndef VORTIQ_DECLGEN_STATEMENTS_H_
#define VORTIQ_DECLGEN_STATEMENTS_H_

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace vortiq {

// The first four letters (lower case) of the keywords that may matter: a line
// in which no statement begins with one of them, in any letter case, can be
// passed over. Keywords shorter than four letters are not needed.
struct KeywordStarts {
  static constexpr size_t kLength = 4;
  std::array<std::array<char, kLength>, 4> starts{};
  size_t count = 0;
};

// The first place at or after `at` where a statement that begins with one of
// `keywords` (in any letter case) may stand, after a line end, a space or a
// colon; or where a lead byte 0xC0..0xF7 takes a line end as its continuation
// (or is cut off by the end), so that the lines there are not where their
// line ends seem to put them. text.size() for none. With `vectors`, sixteen
// places are looked at together where the compiler has vectors (SSE2, NEON);
// the result is the same.
[[nodiscard]] size_t FindWhereMayMatter(std::string_view text, size_t at,
                                        const KeywordStarts& keywords, bool vectors = true);

class StatementCursor {
 public:
  // Before the first statement of `source`, which must outlive the cursor.
  explicit StatementCursor(std::string_view source) : source_(source) {}

  // A cursor at the same place, to read ahead from it (the statements after a
  // continued procedure header). It reads the rest of the current line from
  // `other`, which must not move on while the copy is in use; a copy costs the
  // same however long the line.
  StatementCursor(const StatementCursor& other);
  StatementCursor& operator=(const StatementCursor&) = delete;

  // Sets `*statement` to the next statement and returns true, or returns false
  // after the last. The view stays valid until the next call of Next.
  bool Next(std::string_view* statement);

  // Passes over the statements after the one Next gave last that cannot
  // begin with one of `keywords` (nor with "runtime ", which must be among
  // them): the rest of its line, and whole lines after it, up to the piece or
  // line where one may (FindWhereMayMatter), so that Next gives that one's
  // first statement. A comment piece ends what matters of its line.
  void PassOver(const KeywordStarts& keywords);

 private:
  static constexpr size_t kLineDone = std::string_view::npos;

  void ReadString();          // the next physical line into line_
  void ReadRepairedString();  // the same for a line whose bytes need repair
  std::string_view TakePiece();
  // A piece trimmed of spaces, and of one leading "runtime ".
  static std::string_view Prepared(std::string_view piece);

  std::string_view source_;
  size_t next_line_ = 0;           // where the line after the current one begins
  std::string_view line_;          // the current line, well-formed UTF-8
  size_t next_piece_ = kLineDone;  // where in line_ the next piece begins
  bool comment_ = false;           // a piece of the current line began with ';'
  std::string repaired_;           // line_, when its bytes needed repair
  std::string marked_;             // the statement, when a comment mark was put in front
};

}  // namespace vortiq

#endif  // VORTIQ_DECLGEN_STATEMENTS_H_
