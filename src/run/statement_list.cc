#include "run/statement_list.h"

#include <algorithm>

#include "declgen/classify.h"
#include "declgen/split_line.h"
#include "run/text.h"

namespace vortiq {
namespace {

// Calls `append(comment, statement)` for each statement of `line`; `pieces` is scratch.
template <typename Append>
void ForEachLineStatement(std::string_view line, std::vector<std::string_view>* pieces,
                          Append append) {
  SplitLine(line, pieces);
  bool comment = false;  // a piece of this line has begun with ';'
  for (std::string_view piece : *pieces) {
    std::string_view statement = Trim(piece);
    if (StartsWithKeyword(statement, "runtime ")) statement = Trim(Mid(statement, 8));
    if (IsCommentStatement(statement)) comment = true;
    append(comment, statement);
  }
}

}  // namespace

void StatementList::Append(bool comment, std::string_view statement) {
  const size_t offset = text_.size();
  if (comment) text_.push_back(';');
  text_.append(statement);
  entries_.push_back({offset, text_.size() - offset});
}

bool StatementList::AppendNextLine() {
  if (reader_->Eof()) return false;
  const std::string_view line = reader_->ReadString();
  ForEachLineStatement(line, &pieces_,
                       [this](bool comment, std::string_view statement) {
                         Append(comment, statement);
                       });
  return true;
}

bool StatementList::StatementAt(uint64_t index, std::string_view* statement) {
  if (index < kept_from_) return false;
  while (index - base_ >= entries_.size()) {
    if (!AppendNextLine()) return false;
  }
  const Entry& entry = entries_[static_cast<size_t>(index - base_)];
  *statement = std::string_view(text_).substr(entry.offset, entry.length);
  return true;
}

void StatementList::DropBefore(uint64_t index) {
  if (index <= kept_from_) return;
  kept_from_ = index;
  const size_t dropped = static_cast<size_t>(std::min<uint64_t>(index - base_, entries_.size()));
  if (dropped == entries_.size()) {
    // The usual case: every statement read so far has been handled.
    base_ += dropped;
    entries_.clear();
    text_.clear();
    return;
  }
  // After a long look-ahead, move the kept statements to the front once the
  // dropped ones are the larger part, so the cost stays linear.
  if (dropped < 4096 || dropped < entries_.size() / 2) return;
  const size_t shift = entries_[dropped].offset;
  text_.erase(0, shift);
  entries_.erase(entries_.begin(), entries_.begin() + static_cast<ptrdiff_t>(dropped));
  for (Entry& entry : entries_) entry.offset -= shift;
  base_ += dropped;
}

}  // namespace vortiq
