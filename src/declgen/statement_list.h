// The statement list of a source, built line by line as emission needs it.
//
// Each physical line is cut at single colons; every piece is trimmed of spaces,
// loses one leading "runtime " keyword, and once a piece of the line has begun
// with ';' it and every later piece of that line get one more ';' in front, so a
// comment holding colons stays a comment: "x = 1 : ; why: Procedure E()" gives
// "x = 1", ";; why" and ";Procedure E()". Only the statements from the one being
// handled on are kept, so memory does not grow with the source.
#ifndef VORTIQ_DECLGEN_STATEMENT_LIST_H_
#define VORTIQ_DECLGEN_STATEMENT_LIST_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "declgen/convert_header.h"
#include "declgen/keyword_prefixes.h"
#include "io/source_reader.h"

namespace vortiq {

class StatementList final : public StatementLookahead {
 public:
  explicit StatementList(SourceReader* reader) : reader_(reader) {}
  StatementList(const StatementList&) = delete;
  StatementList& operator=(const StatementList&) = delete;

  // The next statement in source order (the first one on the first call), or
  // false at the end of the source. The statements before it are forgotten. The
  // view stays valid until the next call of Next or StatementAt.
  bool Next(std::string_view* statement) {
    // Inline for the usual case: the next statement of the line read last.
    if (next_ >= line_base_ && next_ - line_base_ < line_statements_.size()) {
      current_ = next_;
      *statement = line_statements_[static_cast<size_t>(next_++ - line_base_)];
      return true;
    }
    return NextFromAnywhere(statement);
  }

  // Next for a caller that needs only the statements that begin with one of
  // `keywords`: whole lines in which no statement may begin with one of them
  // are passed over without becoming statements. They are not counted either,
  // so the indices stay those of the statements handed out. A statement that
  // begins with "runtime " loses it, so `keywords` must hold that one too.
  bool NextMatching(const KeywordPrefixes& keywords, std::string_view* statement);

  // The statement at `index` (0-based in the whole source), reading further lines
  // as needed; false when the source has fewer statements or the statement comes
  // before the one Next returned last. The view stays valid until the next call
  // of Next or StatementAt.
  bool StatementAt(uint64_t index, std::string_view* statement) override;

 private:
  struct Entry {
    size_t offset;  // in text_
    size_t length;
  };

  bool NextFromAnywhere(std::string_view* statement);
  bool ReadNextLine();  // false at the end of the source
  void AddLineStatements(std::string_view line);
  void AddPieces(size_t line_size);  // pieces_ of a line of `line_size` bytes, after SplitLine
  // Makes a piece of a line of `line_size` bytes, trimmed, a statement;
  // `*comment` tells whether an earlier piece of the line has begun with ';'.
  void AddTrimmed(std::string_view statement, size_t line_size, bool* comment);
  std::string_view MarkComment(std::string_view statement);  // ';' in front, in comments_
  void KeepLineStatements();                                 // before the reader moves on
  void HoldLineStatements(uint64_t line_end);
  void DropHeld();  // forgets held statements before current_

  SourceReader* reader_;
  uint64_t next_ = 0;     // the statement Next returns next
  uint64_t current_ = 0;  // the statement Next returned last; the earlier ones are forgotten
  // The statements of the line read last. They point into the reader's line (or
  // into comments_), so they are used in place while emission keeps up, and only
  // copied to text_ when a look-ahead needs them after the reader has moved on.
  std::vector<std::string_view> line_statements_;
  std::vector<std::string_view> pieces_;  // of the line read last, for splitting
  std::string comments_;                  // the line's comment statements with their added ';'
  uint64_t line_base_ = 0;                // number of the line's first statement
  std::string text_;                      // statements of earlier lines still needed, back to back
  std::vector<Entry> entries_;            // entries_[0] is statement number base_
  uint64_t base_ = 0;
};

}  // namespace vortiq

#endif  // VORTIQ_DECLGEN_STATEMENT_LIST_H_
