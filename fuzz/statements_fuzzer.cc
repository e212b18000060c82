// Fuzzes the statement cursor: the input is the source. Its statements must be
// those of a plain byte-at-a-time model of lines and statements; a copy must
// read ahead the statements that follow; statements passed over must not begin
// with a keyword that matters; and the walk with vectors must stop where the
// plain walk does.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "base/utf8.h"
#include "declgen/sections.h"
#include "declgen/statements.h"
#include "fuzz_support.h"

namespace vortiq::fuzz {
namespace {

// The lines of `bytes`, one byte at a time: a line ends at LF, CR (with a directly
// following LF), a zero byte or the end; a lead byte C0..F7 takes the next 1 to 3
// bytes whatever they are, a stray byte 80..BF or F8..FF becomes '?', a character
// cut off by the end is dropped; each line is then decoded up to a zero byte.
std::vector<std::string> ModelLines(std::string_view bytes) {
  std::vector<std::string> lines;
  size_t i = 0;
  while (i < bytes.size()) {
    std::string line;
    while (i < bytes.size()) {
      const auto byte = static_cast<uint8_t>(bytes[i++]);
      if (byte == 0 || byte == '\n') break;
      if (byte == '\r') {
        if (i < bytes.size() && bytes[i] == '\n') ++i;
        break;
      }
      size_t length = 1;
      if (byte >= 0xC0 && byte <= 0xDF) length = 2;
      if (byte >= 0xE0 && byte <= 0xEF) length = 3;
      if (byte >= 0xF0 && byte <= 0xF7) length = 4;
      if (byte >= 0x80 && length == 1) {
        line.push_back('?');
        continue;
      }
      if (i + length - 1 > bytes.size()) {
        i = bytes.size();  // cut off by the end: dropped
        break;
      }
      line.append(bytes.substr(i - 1, length));
      i += length - 1;
    }
    lines.push_back(RepairUtf8(line.substr(0, line.find('\0'))));
  }
  return lines;
}

std::string_view TrimSpaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
  return lower;
}

// The statements of `lines`: each cut at single colons (pairs from the left),
// trimmed, one "runtime " dropped, and ';' put in front from the first piece
// that begins with ';' on.
std::vector<std::string> ModelStatements(const std::vector<std::string>& lines) {
  std::vector<std::string> statements;
  for (const std::string& line : lines) {
    std::vector<std::string> pieces;
    std::string piece;
    for (size_t i = 0; i < line.size(); ++i) {
      if (line[i] != ':') {
        piece += line[i];
      } else if (i + 1 < line.size() && line[i + 1] == ':') {
        piece += "::";
        ++i;
      } else {
        pieces.push_back(piece);
        piece.clear();
      }
    }
    if (!piece.empty() || pieces.empty()) pieces.push_back(piece);
    bool comment = false;
    for (const std::string& each : pieces) {
      std::string_view text = TrimSpaces(each);
      if (Lower(text.substr(0, 8)) == "runtime ") text = TrimSpaces(text.substr(8));
      comment = comment || (!text.empty() && text.front() == ';');
      statements.push_back((comment ? ";" : "") + std::string(text));
    }
  }
  return statements;
}

bool BeginsWithOneOf(std::string_view statement, const KeywordStarts& keywords) {
  for (size_t k = 0; k < keywords.count; ++k) {
    if (Lower(statement.substr(0, KeywordStarts::kLength)) ==
        std::string_view(keywords.starts[k].data(), KeywordStarts::kLength)) {
      return true;
    }
  }
  return false;
}

// Walks `source` with the cursor, passing over with `keywords` after each
// statement: what it gives must be the model's statements in order, those it
// passes over none that begins with one of `keywords`. Statements may be
// alike, so every way of matching is tried: after each statement of the
// model, the numbers of statements given that those so far can account for.
void CheckPassingOver(std::string_view source, const std::vector<std::string>& model,
                      const KeywordStarts& keywords) {
  std::vector<std::string> given;
  StatementCursor cursor(source);
  std::string_view statement;
  while (cursor.Next(&statement)) {
    given.emplace_back(statement);
    cursor.PassOver(keywords);
  }
  std::vector<bool> reached(given.size() + 1, false);
  reached[0] = true;
  for (const std::string& each : model) {
    const bool may_pass = !BeginsWithOneOf(each, keywords);
    std::vector<bool> next(given.size() + 1, false);
    for (size_t done = 0; done <= given.size(); ++done) {
      if (!reached[done]) continue;
      if (may_pass) next[done] = true;
      if (done < given.size() && given[done] == each) next[done + 1] = true;
    }
    reached = std::move(next);
  }
  VORTIQ_FUZZ_CHECK(reached[given.size()]);
}

}  // namespace
}  // namespace vortiq::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vortiq;
  using namespace vortiq::fuzz;
  const std::string_view source(reinterpret_cast<const char*>(data), size);
  Choices choices(data, size);
  const std::vector<std::string> model = ModelStatements(ModelLines(source));

  StatementCursor cursor(source);
  std::string_view statement;
  for (size_t i = 0; i < model.size(); ++i) {
    VORTIQ_FUZZ_CHECK(cursor.Next(&statement));
    VORTIQ_FUZZ_CHECK(statement == model[i]);
    VORTIQ_FUZZ_CHECK(IsWellFormedUtf8(statement));
    // From one statement in eight, a copy reads the rest ahead.
    if (choices.Below(8) == 0) {
      StatementCursor ahead(cursor);
      for (size_t k = i + 1; k < model.size(); ++k) {
        VORTIQ_FUZZ_CHECK(ahead.Next(&statement) && statement == model[k]);
      }
      VORTIQ_FUZZ_CHECK(!ahead.Next(&statement));
    }
  }
  VORTIQ_FUZZ_CHECK(!cursor.Next(&statement));

  const KeywordStarts& keywords = kKeywordsThatMatter[choices.Below(kKeywordsThatMatter.size())];
  CheckPassingOver(source, model, keywords);
  for (int k = 0; k < 4 && !source.empty(); ++k) {
    const size_t at = static_cast<size_t>(choices.Below(source.size() + 1));
    VORTIQ_FUZZ_CHECK(FindWhereMayMatter(source, at, keywords) ==
                      FindWhereMayMatter(source, at, keywords, /*vectors=*/false));
  }
  return 0;
}
