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
#include <utility>
#include <vector>

#include "base/text.h"
#include "base/utf8.h"
#include "declgen/line_skip.h"
#include "declgen/split_line.h"
#include "fuzz_support.h"
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
  SourceReader reader(source, buffer_size);
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

// Reads `lines` again, passing over what the walk over the buffer passes before
// each line, as the statement list does: the lines read must be those of
// `lines` in order, and every line passed over must hold no statement
// beginning with either keyword.
void CheckSkipping(ByteSource* source, size_t buffer_size, const std::vector<std::string>& lines,
                   std::string_view first, std::string_view second) {
  SourceReader reader(source, buffer_size);
  const KeywordPrefixes keywords{first, second};
  size_t next = 0;  // in `lines`
  for (;;) {
    if (reader.Eof()) break;
    const std::string_view unread = reader.Unread();
    reader.Skip(SkipPlainLines(unread.data(), unread.size(), 0, keywords));
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

// The reader over `bytes` the way `choices` picks: whole reads or short reads;
// and the size of its buffer.
struct ReadingWay {
  enum Kind { kWhole, kChunked } kind;
  size_t buffer_size;
};

ReadingWay ChooseReadingWay(Choices* choices) {
  // Buffers that cut lines, CR LF pairs and characters at every place: the
  // smallest ones more often, as they cut the most.
  constexpr size_t kSmallSizes[] = {1, 2, 3, 4, 5, 8};
  const uint64_t pick = choices->Below(std::size(kSmallSizes) + 1);
  size_t buffer_size = pick < std::size(kSmallSizes) ? kSmallSizes[pick]
                                                     : 1 + static_cast<size_t>(choices->Below(128));
  const auto kind = choices->Below(2) == 0 ? ReadingWay::kWhole : ReadingWay::kChunked;
  return {kind, buffer_size};
}

// A source of `bytes` for `way`, alive as long as the returned holder.
struct WaySource {
  WaySource(std::string_view bytes, ReadingWay way, Choices* choices)
      : whole(bytes),
        chunked(bytes, choices, 1 + static_cast<size_t>(choices->Below(16))),
        source(way.kind == ReadingWay::kChunked ? static_cast<ByteSource*>(&chunked) : &whole) {}
  MemorySource whole;
  ChunkedSource chunked;
  ByteSource* source;
};

}  // namespace
}  // namespace vortiq::fuzz

// Each input is read with the reader's own buffer size, checked against the
// model, and then once more in one way of reading it picks from its hash, and
// passed over once in one way of skipping it picks, so that across inputs
// every way is taken while each input costs two or three reads.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vortiq;
  using namespace vortiq::fuzz;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  Choices choices(data, size);
  // A buffer that holds the whole input, as the tool's own does for any input
  // this target gets: the tool's size itself one time in eight, as its
  // allocation costs more than all the rest of reading a short input.
  const size_t whole_size = choices.Below(8) == 0 ? SourceReader::kDefaultBufferSize
                                                  : std::max<size_t>(bytes.size() + 1, 1024);
  MemorySource whole(bytes);
  const std::vector<std::string> lines = ReadLines(&whole, whole_size);
  VORTIQ_FUZZ_CHECK(lines == ModelLines(bytes));

  size_t line_ends = 0;
  for (const char c : bytes) line_ends += c == '\n' || c == '\r' || c == '\0';
  VORTIQ_FUZZ_CHECK(lines.size() <= line_ends + 1);
  for (const std::string& line : lines) {
    VORTIQ_FUZZ_CHECK(IsWellFormedUtf8(line));
    VORTIQ_FUZZ_CHECK(line.find('\0') == std::string::npos);
    VORTIQ_FUZZ_CHECK(LineEndsAreSwallowed(line));
  }

  // Half the inputs: the same lines through a small buffer, in whole or in
  // short reads. The other half: the lines passed over (below),
  // read in such a way too.
  const bool read_again = choices.Below(2) == 0;
  if (read_again) {
    const ReadingWay reading = ChooseReadingWay(&choices);
    WaySource way(bytes, reading, &choices);
    VORTIQ_FUZZ_CHECK(ReadLines(way.source, reading.buffer_size) == lines);
  }

  // Passing over lines in procedure and macro bodies, with the keywords the run
  // uses and a few others, in one way of reading: also with a buffer that holds
  // the whole input.
  constexpr std::string_view kKeywords[] = {"endprocedure", "endmacro", "runtime ", "e", "en:", ""};
  const std::string_view first = kKeywords[choices.Below(std::size(kKeywords))];
  const std::string_view second = kKeywords[choices.Below(std::size(kKeywords))];
  if (!read_again) {
    ReadingWay reading = ChooseReadingWay(&choices);
    if (choices.Below(8) == 0) reading = {ReadingWay::kWhole, whole_size};
    WaySource way(bytes, reading, &choices);
    CheckSkipping(way.source, reading.buffer_size, lines, first, second);
  }

  // Each vector walk passes over the lines the byte walk does, from the input's start
  // and from three line starts after a line feed picked at random (all of
  // them, across inputs).
  const KeywordPrefixes keywords{first, second};
  std::vector<size_t> starts{0};
  for (size_t at = bytes.find('\n'); at != std::string_view::npos; at = bytes.find('\n', at + 1)) {
    starts.push_back(at + 1);
  }
  constexpr size_t kMostStarts = 4;
  if (starts.size() > kMostStarts) {
    for (size_t k = 1; k < kMostStarts; ++k) {
      std::swap(starts[k], starts[k + choices.Below(starts.size() - k)]);
    }
    starts.resize(kMostStarts);
  }
  for (const size_t start : starts) {
    const size_t skipped = SkipPlainLinesByteByByte(bytes.data(), bytes.size(), start, keywords);
    VORTIQ_FUZZ_CHECK(skipped >= start && skipped <= bytes.size());
    for (const LineWalk walk :
         {LineWalk::kNone, LineWalk::kVector, LineWalk::kAvx2, LineWalk::kAvx512}) {
      if (!Runs(walk)) continue;
      VORTIQ_FUZZ_CHECK(SkipPlainLinesWith(walk, bytes.data(), bytes.size(), start, keywords) ==
                        (walk == LineWalk::kNone ? start : skipped));
    }
  }
  return 0;
}
