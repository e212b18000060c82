#include "declgen/statements.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "base/text.h"
#include "base/utf8.h"
#include "declgen/classify.h"

namespace vortiq {
namespace {

bool IsLineEnd(char byte) { return byte == '\n' || byte == '\r' || byte == '\0'; }

// Where the next line begins after the line end at `at` (LF, CR LF, a lone CR
// or a zero byte; or text.size(), the end without a line end).
size_t AfterLineEnd(std::string_view text, size_t at) {
  if (at == text.size()) return at;
  if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') return at + 2;
  return at + 1;
}

// The bytes a character with this lead byte takes, itself included: 2 for
// 0xC0..0xDF, 3 for 0xE0..0xEF, 4 for 0xF0..0xF7; 1 for ASCII; 0 for a stray
// byte (0x80..0xBF, 0xF8..0xFF).
size_t CharacterLength(uint8_t lead) {
  if (lead < 0x80) return 1;
  if (lead < 0xC0 || lead > 0xF7) return 0;
  return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
}

#if defined(__GNUC__)
// Sixteen bytes of a text at once, each a place, in the compilers' vectors
// (SSE2, NEON). The places a mask sets are found in its two halves, in memory
// order on a little-endian machine only.
using Bytes = uint8_t __attribute__((vector_size(16)));
using Mask = int8_t __attribute__((vector_size(16)));
using Halves = uint64_t __attribute__((vector_size(16)));
constexpr bool kVectors = std::endian::native == std::endian::little;

Bytes Load(std::string_view text, size_t at) {
  Bytes bytes;
  std::memcpy(&bytes, text.data() + at, sizeof bytes);
  return bytes;
}
#else
constexpr bool kVectors = false;
#endif

// The first byte at or after `at` that ends a line or is above 0x7F;
// text.size() for none.
size_t FindLineSpecial(std::string_view text, size_t at) {
#if defined(__GNUC__)
  for (; kVectors && text.size() - at >= 16; at += 16) {
    const Bytes bytes = Load(text, at);
    const Halves found = reinterpret_cast<Halves>((bytes == '\n') | (bytes == '\r') | (bytes == 0) |
                                                  (bytes >= 0x80));
    if (found[0] != 0) return at + static_cast<size_t>(std::countr_zero(found[0])) / 8;
    if (found[1] != 0) return at + 8 + static_cast<size_t>(std::countr_zero(found[1])) / 8;
  }
#endif
  while (at < text.size() && !IsLineEnd(text[at]) && static_cast<uint8_t>(text[at]) < 0x80) ++at;
  return at;
}

// Whether a statement that matters may begin at `at`, or the lines there may
// not be where they seem: `at` holds one of `keywords` after a line end, a
// space or a colon (or a tab or another control character: more is looked at
// than needs to be, never less); or a lead byte that takes a line end as its
// continuation, or is cut off by the end of the text.
bool MayMatterAt(std::string_view text, size_t at, const KeywordStarts& keywords) {
  if (const size_t length = CharacterLength(static_cast<uint8_t>(text[at])); length > 1) {
    if (length > text.size() - at) return true;
    for (size_t k = 1; k < length; ++k) {
      if (IsLineEnd(text[at + k])) return true;
    }
    return false;
  }
  const auto before = static_cast<uint8_t>(at == 0 ? '\n' : text[at - 1]);
  if ((before > ' ' && before != kStatementSeparator) ||
      text.size() - at < KeywordStarts::kLength) {
    return false;
  }
  for (size_t k = 0; k < keywords.count; ++k) {
    const std::string_view start(keywords.starts[k].data(), KeywordStarts::kLength);
    if (StartsWithKeyword(text.substr(at), start)) return true;
  }
  return false;
}

#if defined(__GNUC__)
// FindWhereMayMatter for sixteen places at once: those whose first and last
// letters are those of one of the `kCount` keywords after a byte that may end
// what comes before a statement, and bytes from 0xC0 on (lead bytes, and a few
// stray ones). Each place found is then looked at as MayMatterAt does. Returns the place, or where
// fewer than a vector's places are left.
template <size_t kCount>
size_t FindInVectors(std::string_view text, size_t at, const KeywordStarts& keywords) {
  constexpr size_t kLast = KeywordStarts::kLength - 1;
  Bytes firsts[kCount];
  Bytes lasts[kCount];
  for (size_t k = 0; k < kCount; ++k) {
    firsts[k] = Bytes{} + static_cast<uint8_t>(keywords.starts[k][0]);
    lasts[k] = Bytes{} + static_cast<uint8_t>(keywords.starts[k][kLast]);
  }
  for (; text.size() - at >= 16 + kLast; at += 16) {
    const Bytes bytes = Load(text, at);
    const Bytes first = bytes | 0x20;
    const Bytes last = Load(text, at + kLast) | 0x20;
    Mask keyword = (first == firsts[0]) & (last == lasts[0]);
    for (size_t k = 1; k < kCount; ++k) keyword |= (first == firsts[k]) & (last == lasts[k]);
    const Bytes before = Load(text, at - 1);
    const Halves found = reinterpret_cast<Halves>(
        (keyword & ((before <= ' ') | (before == kStatementSeparator))) | (bytes >= 0xC0));
    if ((found[0] | found[1]) == 0) continue;
    for (size_t half = 0; half < 2; ++half) {
      for (uint64_t bits = found[half] & 0x8080808080808080; bits != 0; bits &= bits - 1) {
        const size_t place = at + 8 * half + static_cast<size_t>(std::countr_zero(bits)) / 8;
        if (MayMatterAt(text, place, keywords)) return place;
      }
    }
  }
  return at;
}
#endif

}  // namespace

size_t FindWhereMayMatter(std::string_view text, size_t at, const KeywordStarts& keywords,
                          bool vectors) {
#if defined(__GNUC__)
  // The vectors look at the byte before each place.
  constexpr size_t (*kFinds[])(std::string_view, size_t, const KeywordStarts&) = {
      nullptr, FindInVectors<1>, FindInVectors<2>, FindInVectors<3>, FindInVectors<4>};
  if (vectors && kVectors && at > 0 && keywords.count > 0) {
    at = kFinds[keywords.count](text, at, keywords);
  }
#endif
  while (at < text.size() && !MayMatterAt(text, at, keywords)) ++at;
  return at;
}

void StatementCursor::PassOver(const KeywordStarts& keywords) {
  if (next_piece_ != kLineDone) {
    // The rest of the line: nothing after a comment matters, nor the pieces
    // before the first place where a statement may (unless one of them begins
    // a comment, which the rest of the line then is).
    const size_t at = comment_ ? line_.size() : FindWhereMayMatter(line_, next_piece_, keywords);
    if (at == line_.size()) next_piece_ = kLineDone;
    while (next_piece_ != kLineDone) {
      const size_t start = next_piece_;
      const std::string_view piece = TakePiece();
      if (at < start + piece.size()) {
        next_piece_ = start;
        return;
      }
      if (IsCommentStatement(Prepared(piece))) next_piece_ = kLineDone;
    }
  }
  // Then whole lines, up to the start of the one where a statement may
  // matter: no lead byte before it takes a line end, so every line end passed
  // is one.
  size_t line = FindWhereMayMatter(source_, next_line_, keywords);
  while (line > next_line_ && !IsLineEnd(source_[line - 1])) --line;
  next_line_ = line;
}

StatementCursor::StatementCursor(const StatementCursor& other)
    : source_(other.source_),
      next_line_(other.next_line_),
      line_(other.line_),
      next_piece_(other.next_piece_),
      comment_(other.comment_) {}

bool StatementCursor::Next(std::string_view* statement) {
  if (next_piece_ == kLineDone) {
    if (next_line_ == source_.size()) return false;
    ReadString();
  }
  std::string_view piece = Prepared(TakePiece());
  comment_ = comment_ || IsCommentStatement(piece);
  if (comment_) {
    marked_.assign(1, ';');
    marked_.append(piece);
    piece = marked_;
  }
  *statement = piece;
  return true;
}

void StatementCursor::ReadString() {
  next_piece_ = 0;
  comment_ = false;
  // A well-formed character stays as it is; any other byte above 0x7F needs
  // the whole line repaired.
  size_t at = FindLineSpecial(source_, next_line_);
  while (at < source_.size() && !IsLineEnd(source_[at])) {
    const size_t length = WellFormedLength(source_.substr(at));
    if (length == 0) return ReadRepairedString();
    at = FindLineSpecial(source_, at + length);
  }
  line_ = source_.substr(next_line_, at - next_line_);
  next_line_ = AfterLineEnd(source_, at);
}

void StatementCursor::ReadRepairedString() {
  std::string characters;  // the line's bytes, each character as its lead byte takes it
  size_t at = next_line_;
  while (at < source_.size() && !IsLineEnd(source_[at])) {
    const size_t length = CharacterLength(static_cast<uint8_t>(source_[at]));
    if (length == 0) {
      characters.push_back('?');
      ++at;
    } else if (length > source_.size() - at) {
      at = source_.size();  // cut off by the end of the source: dropped
    } else {
      characters.append(source_.substr(at, length));
      at += length;
    }
  }
  next_line_ = AfterLineEnd(source_, at);
  // Decoding ends at a zero byte, which only a lead byte can have taken.
  repaired_.clear();
  AppendRepairedUtf8(std::string_view(characters).substr(0, characters.find('\0')), &repaired_);
  line_ = repaired_;
}

std::string_view StatementCursor::Prepared(std::string_view piece) {
  piece = Trim(piece);
  return StartsWithKeyword(piece, kRuntimeKeyword) ? Trim(piece.substr(kRuntimeKeyword.size()))
                                                   : piece;
}

std::string_view StatementCursor::TakePiece() {
  const size_t start = next_piece_;
  for (size_t colon = start;; colon += 2) {
    colon = line_.find(kStatementSeparator, colon);
    if (colon == std::string_view::npos) {
      next_piece_ = kLineDone;
      return line_.substr(start);
    }
    // Pairs form from the left: "::" joins a module and a name.
    if (colon + 1 < line_.size() && line_[colon + 1] == kStatementSeparator) continue;
    // A line that ends with a single ':' has no piece after it.
    next_piece_ = colon + 1 < line_.size() ? colon + 1 : kLineDone;
    return line_.substr(start, colon - start);
  }
}

}  // namespace vortiq
