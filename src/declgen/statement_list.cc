#include "declgen/statement_list.h"

#include <algorithm>

#include "base/text.h"
#include "declgen/classify.h"
#include "declgen/line_skip.h"
#include "declgen/split_line.h"

namespace vortiq {

bool StatementList::NextFromAnywhere(std::string_view* statement) {
  current_ = next_;
  if (entries_.empty() && next_ == line_base_ + line_statements_.size()) {
    // The usual case: every statement read so far has been handled, so the next
    // one is the first of the next line.
    if (!ReadNextLine()) return false;
    *statement = line_statements_.front();
  } else {
    DropHeld();
    if (!StatementAt(next_, statement)) return false;
  }
  ++next_;
  return true;
}

bool StatementList::StatementAt(uint64_t index, std::string_view* statement) {
  if (index < current_) return false;
  if (index < line_base_) {  // held for a look-ahead
    const Entry& entry = entries_[static_cast<size_t>(index - base_)];
    *statement = std::string_view(text_).substr(entry.offset, entry.length);
    return true;
  }
  while (index - line_base_ >= line_statements_.size()) {
    if (!ReadNextLine()) return false;
  }
  *statement = line_statements_[static_cast<size_t>(index - line_base_)];
  return true;
}

void StatementList::KeepLineStatements() {
  const uint64_t line_end = line_base_ + line_statements_.size();
  // Usually every statement of the line has been handled and none is held.
  if (current_ < line_end || !entries_.empty()) HoldLineStatements(line_end);
  line_statements_.clear();
  line_base_ = line_end;
}

bool StatementList::NextMatching(const KeywordPrefixes& keywords, std::string_view* statement) {
  if (!entries_.empty() || next_ != line_base_ + line_statements_.size()) return Next(statement);
  current_ = next_;  // every statement handed out is done with: none is held
  KeepLineStatements();
  for (;;) {
    if (reader_->Eof()) return false;
    // Whole lines in which no statement may begin with a keyword are passed
    // over in the buffer, without being read as lines.
    const std::string_view unread = reader_->Unread();
    reader_->Skip(SkipPlainLines(unread.data(), unread.size(), 0, keywords));
    const std::string_view line = reader_->ReadString();
    // The line is trimmed or split once, for the test and for its statements.
    if (!reader_->LineMayHoldColon()) {
      const std::string_view trimmed = Trim(line);
      if (!keywords.MayBegin(trimmed)) continue;
      bool comment = false;
      AddTrimmed(trimmed, line.size(), &comment);
    } else {
      SplitLine(line, &pieces_);
      if (std::none_of(pieces_.begin(), pieces_.end(), [&keywords](std::string_view piece) {
            return keywords.MayBegin(Trim(piece));
          })) {
        continue;
      }
      AddPieces(line.size());
    }
    current_ = next_;
    *statement = line_statements_.front();
    ++next_;
    return true;
  }
}

bool StatementList::ReadNextLine() {
  KeepLineStatements();  // Eof may refill the reader's buffer
  if (reader_->Eof()) return false;
  AddLineStatements(reader_->ReadString());
  return true;
}

void StatementList::AddLineStatements(std::string_view line) {
  if (!reader_->LineMayHoldColon()) {
    bool comment = false;
    AddTrimmed(Trim(line), line.size(), &comment);  // a line without ':' is one statement
    return;
  }
  SplitLine(line, &pieces_);
  AddPieces(line.size());
}

void StatementList::AddPieces(size_t line_size) {
  bool comment = false;  // a piece of this line has begun with ';'
  for (const std::string_view piece : pieces_) AddTrimmed(Trim(piece), line_size, &comment);
}

void StatementList::AddTrimmed(std::string_view statement, size_t line_size, bool* comment) {
  if (StartsWithKeyword(statement, kRuntimeKeyword)) {
    statement = Trim(statement.substr(kRuntimeKeyword.size()));
  }
  if (IsCommentStatement(statement) && !*comment) {
    *comment = true;
    // Room for every piece of the line with a ';' added, so views into it stay
    // valid: the pieces leave out the colons between them, one per ';' but one.
    comments_.clear();
    comments_.reserve(line_size + 1);
  }
  line_statements_.push_back(*comment ? MarkComment(statement) : statement);
}

std::string_view StatementList::MarkComment(std::string_view statement) {
  const size_t start = comments_.size();
  comments_.push_back(';');
  comments_.append(statement);
  return std::string_view(comments_).substr(start);
}

void StatementList::HoldLineStatements(uint64_t line_end) {
  DropHeld();
  // Held statements stay contiguous: while one of them is still needed, every
  // later one is too.
  for (uint64_t index = std::max(current_, line_base_); index < line_end; ++index) {
    if (entries_.empty()) base_ = index;
    const std::string_view statement = line_statements_[static_cast<size_t>(index - line_base_)];
    entries_.push_back({text_.size(), statement.size()});
    text_.append(statement);
  }
}

void StatementList::DropHeld() {
  if (entries_.empty() || current_ <= base_) return;
  const size_t dropped = static_cast<size_t>(std::min<uint64_t>(current_ - base_, entries_.size()));
  if (dropped == entries_.size()) {
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
