// The statement list of a source, built line by line as emission needs it.
//
// Each physical line is cut at single colons; every piece is trimmed of spaces,
// loses one leading "runtime " keyword, and once a piece of the line has begun
// with ';' it and every later piece of that line get one more ';' in front, so a
// comment holding colons stays a comment: "x = 1 : ; why: Procedure E()" gives
// "x = 1", ";; why" and ";Procedure E()". Only the statements from the oldest
// one still needed on are kept, so memory does not grow with the source.
#ifndef VORTIQ_RUN_STATEMENT_LIST_H_
#define VORTIQ_RUN_STATEMENT_LIST_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "declgen/convert_header.h"
#include "io/source_reader.h"

namespace vortiq {

class StatementList final : public StatementLookahead {
 public:
  explicit StatementList(SourceReader* reader) : reader_(reader) {}
  StatementList(const StatementList&) = delete;
  StatementList& operator=(const StatementList&) = delete;

  // The statement at `index`, reading further lines as needed; false when the
  // source has fewer statements or the statement has been dropped. The view
  // stays valid until the next call.
  bool StatementAt(uint64_t index, std::string_view* statement) override;

  // Forgets the statements before `index`.
  void DropBefore(uint64_t index);

 private:
  struct Entry {
    size_t offset;  // in text_
    size_t length;
  };

  bool AppendNextLine();  // false at the end of the source
  void Append(bool comment, std::string_view statement);

  SourceReader* reader_;
  std::vector<std::string_view> pieces_;
  std::string text_;            // the kept statements, back to back
  std::vector<Entry> entries_;  // entries_[0] is statement number base_
  uint64_t kept_from_ = 0;      // statements before it are dropped, if still held
  uint64_t base_ = 0;
};

}  // namespace vortiq

#endif  // VORTIQ_RUN_STATEMENT_LIST_H_
