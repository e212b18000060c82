// Fuzzes the source reader: the input is the file. Its lines, read through
// buffers of many sizes and with reads of many sizes, must be those of a plain
// byte-at-a-time model of the reader, well-formed UTF-8, and free of line-end
// bytes except those a lead byte took as its continuation. Lines passed over in
// procedure bodies must be lines that cannot end the body.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "base/utf8.h"
#include "declgen/split_line.h"
#include "fuzz_support.h"
#include "io/line_skip.h"
#include "io/source_reader.h"

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

// A CR or LF may stand in a line only where a lead byte took it as continuation:
// then the malformed sequence before it became U+FFFD, with at most two more
// (ASCII) bytes of that sequence between them.
bool LineEndsAreSwallowed(std::string_view line) {
  for (size_t p = 0; p < line.size(); ++p) {
    if (line[p] != '\r' && line[p] != '\n') continue;
    bool found = false;
    for (size_t gap = 0; gap <= 2 && !found; ++gap) {
      found = p >= 3 + gap && line.substr(p - 3 - gap, 3) == kReplacementCharacter;
    }
    if (!found) return false;
  }
  return true;
}

// The lines the run gets from `source`: ReadString while not Eof.
std::vector<std::string> ReadLines(ByteSource* source, size_t buffer_size) {
  SourceReader reader(source, buffer_size, /*reads_before_reading_ahead=*/2);
  std::vector<std::string> lines;
  while (!reader.Eof()) lines.emplace_back(reader.ReadString());
  VORTIQ_FUZZ_CHECK(reader.ReadString().empty());
  VORTIQ_FUZZ_CHECK(reader.Eof());
  VORTIQ_FUZZ_CHECK(reader.status() == Status::kOk);
  return lines;
}

// Whether a line may hold a statement beginning with `keyword`, as the body
// loop of the statement list decides it.
bool MayBegin(std::string_view line, std::string_view keyword) {
  std::vector<std::string_view> pieces;
  SplitLine(line, &pieces);
  for (const std::string_view piece : pieces) {
    if (StartsWithKeyword(Trim(piece), keyword)) return true;
  }
  return false;
}

// Reads `lines` again with SkipLinesWithout before each line: the lines read
// must be those of `lines` in order, and every line passed over must hold no
// statement beginning with either keyword.
void CheckSkipping(ByteSource* source, size_t buffer_size, const std::vector<std::string>& lines,
                   std::string_view first, std::string_view second,
                   const KeywordPrefixes* found_ahead = nullptr) {
  SourceReader reader(source, buffer_size, /*reads_before_reading_ahead=*/2);
  reader.FindLinesAhead(found_ahead);
  size_t next = 0;  // in `lines`
  for (int round = 0;; ++round) {
    // The same keywords in turns in another order, so their bits among those
    // found ahead change from call to call.
    reader.SkipLinesWithout(round % 2 == 0 ? KeywordPrefixes{first, second}
                                           : KeywordPrefixes{second, first});
    if (reader.Eof()) break;
    const std::string_view line = reader.ReadString();
    while (next < lines.size() && lines[next] != line) {
      VORTIQ_FUZZ_CHECK(!MayBegin(lines[next], first) && !MayBegin(lines[next], second));
      ++next;
    }
    VORTIQ_FUZZ_CHECK(next < lines.size());
    ++next;
  }
  for (; next < lines.size(); ++next) {
    VORTIQ_FUZZ_CHECK(!MayBegin(lines[next], first) && !MayBegin(lines[next], second));
  }
  VORTIQ_FUZZ_CHECK(reader.status() == Status::kOk);
}

}  // namespace
}  // namespace vortiq::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vortiq;
  using namespace vortiq::fuzz;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  Choices choices(data, size);
  MemorySource whole(bytes);
  const std::vector<std::string> lines = ReadLines(&whole, SourceReader::kDefaultBufferSize);
  VORTIQ_FUZZ_CHECK(lines == ModelLines(bytes));

  size_t line_ends = 0;
  for (const char c : bytes) line_ends += c == '\n' || c == '\r' || c == '\0';
  VORTIQ_FUZZ_CHECK(lines.size() <= line_ends + 1);
  for (const std::string& line : lines) {
    VORTIQ_FUZZ_CHECK(IsWellFormedUtf8(line));
    VORTIQ_FUZZ_CHECK(line.find('\0') == std::string::npos);
    VORTIQ_FUZZ_CHECK(LineEndsAreSwallowed(line));
  }

  // Buffers that cut lines, CR LF pairs and characters at every place, one
  // chosen by the input; whole reads and short ones.
  const size_t chosen = 1 + static_cast<size_t>(choices.Below(300));
  for (const size_t buffer_size :
       {size_t{1}, size_t{2}, size_t{3}, size_t{4}, size_t{5}, size_t{8}, chosen}) {
    MemorySource source(bytes);
    VORTIQ_FUZZ_CHECK(ReadLines(&source, buffer_size) == lines);
  }
  // The same with the source read ahead on a second thread.
  MemorySource ahead(bytes, /*read_ahead=*/true);
  VORTIQ_FUZZ_CHECK(ReadLines(&ahead, std::max<size_t>(chosen, 64)) == lines);
  ChunkedSource chunked(bytes, &choices, 1 + static_cast<size_t>(choices.Below(16)));
  VORTIQ_FUZZ_CHECK(ReadLines(&chunked, chosen) == lines);

  // Passing over lines in procedure and macro bodies, with the keywords the run
  // uses and a few others.
  constexpr std::string_view kKeywords[] = {"endprocedure", "endmacro", "runtime ", "e", "en:", ""};
  const std::string_view first = kKeywords[choices.Below(std::size(kKeywords))];
  const std::string_view second = kKeywords[choices.Below(std::size(kKeywords))];
  for (const size_t buffer_size : {SourceReader::kDefaultBufferSize, chosen}) {
    MemorySource source(bytes);
    CheckSkipping(&source, buffer_size, lines, first, second);
  }
  MemorySource skipped_ahead(bytes, /*read_ahead=*/true);
  CheckSkipping(&skipped_ahead, std::max<size_t>(chosen, 64), lines, first, second);
  // With the lines found ahead for more keywords than those skipped for.
  const KeywordPrefixes found_ahead{"procedure", first, "endmacro", second};
  MemorySource found(bytes, /*read_ahead=*/true);
  CheckSkipping(&found, std::max<size_t>(chosen, 64), lines, first, second, &found_ahead);
  ChunkedSource chunked_again(bytes, &choices, 1 + static_cast<size_t>(choices.Below(16)));
  CheckSkipping(&chunked_again, chosen, lines, first, second);
  // Every way of scanning passes over the same lines, from every line feed on.
  const KeywordPrefixes keywords{first, second};
  const std::vector<SkipScan> scans = AvailableSkipScans();
  for (size_t start = 0; start <= bytes.size(); start = bytes.find('\n', start) + 1) {
    const size_t skipped =
        SkipPlainLines(scans.front(), bytes.data(), bytes.size(), start, keywords);
    VORTIQ_FUZZ_CHECK(skipped >= start && skipped <= bytes.size());
    for (const SkipScan scan : scans) {
      VORTIQ_FUZZ_CHECK(SkipPlainLines(scan, bytes.data(), bytes.size(), start, keywords) ==
                        skipped);
    }
    if (bytes.find('\n', start) == std::string_view::npos) break;
  }
  return 0;
}
