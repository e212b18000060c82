#include "io/source_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

namespace vortiq {
namespace {

// The lines the run gets: ReadString while not Eof; with `read_ahead`, the
// source is read on a second thread once it proves longer than the buffer.
std::vector<std::string> Lines(std::string_view bytes, size_t buffer_size,
                               bool read_ahead = false) {
  MemorySource source(bytes, read_ahead);
  SourceReader reader(&source, buffer_size, /*reads_before_reading_ahead=*/1);
  std::vector<std::string> lines;
  while (!reader.Eof()) lines.emplace_back(reader.ReadString());
  EXPECT_TRUE(reader.ReadString().empty());
  EXPECT_TRUE(reader.Eof());
  return lines;
}

TEST(SourceReaderTest, LinesOfBytes) {
  using L = std::vector<std::string>;
  const std::string fffd = "\xEF\xBF\xBD";
  struct Case {
    std::string bytes;
    L lines;
  };
  const Case cases[] = {
      {"", {}},
      {"a\nb\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\rb", {"a", "b"}},
      {"a\n\rb", {"a", "", "b"}},
      {"a\r\r\nb", {"a", "", "b"}},
      {"\n", {""}},
      {"\r\n\r\n", {"", ""}},
      {"a\r", {"a"}},
      {std::string("a\0b\n", 4), {"a", "b"}},
      {std::string("\0", 1), {""}},
      {"\xEF\xBB\xBF"
       "a\n",
       {"\xEF\xBB\xBF"
        "a"}},
      {"\xC3\xA9\n", {"\xC3\xA9"}},
      {"\xF0\x9F\x98\x80", {"\xF0\x9F\x98\x80"}},
      {"\x80"
       "a\n",
       {"?a"}},
      {"\xF8\n", {"?"}},
      {"\xC3\na\n", {fffd + "\na"}},  // the LF is taken as a continuation byte
      {"a\xC3", {"a"}},               // a character cut off by the end is dropped
      {"\n\xC3", {"", ""}},
      {std::string("\xFF\xFE"
                   "a\0\r\0\n\0",
                   8),
       {"??a", "", "", "", ""}},
      {std::string("C\xC3\0:D\n", 6), {"C" + fffd}},  // decoding stops at the zero byte
      {"\xE2\x82\r\n", {fffd + "\r"}},
      {"\xC0\x80x\n", {fffd + fffd + "x"}},
      {"x\xF4\x90\x80\x80y\xBF\n", {"x" + fffd + fffd + fffd + fffd + "y?"}},
      {"tab\tkept\r\n\r", {"tab\tkept", ""}},
  };
  // Every buffer size from one byte up, so that lines, CR LF pairs and characters
  // are cut by refills at every place.
  for (const size_t buffer_size : {1, 2, 3, 4, 5, 7, 64}) {
    for (const Case& c : cases) {
      for (const bool read_ahead : {false, true}) {
        EXPECT_EQ(Lines(c.bytes, buffer_size, read_ahead), c.lines)
            << "buffer " << buffer_size << (read_ahead ? ", read ahead" : "")
            << ", bytes of length " << c.bytes.size();
      }
    }
  }
}

// Full 64-byte blocks of the buffer are read through bit masks, everything else
// byte by byte; a one-byte buffer never holds a full block. Both ways must give
// the same lines, and a line with a ':' must never be reported as without one.
TEST(SourceReaderTest, BlockScanAgreesWithByteScan) {
  const std::string_view pieces[] = {
      "a",
      "  ",
      ":",
      "::",
      "\r\n",
      "\n",
      "\r",
      std::string_view("\0", 1),
      "\xC3\xA9",
      "\xE2\x82\xAC",
      "\xF0\x9F\x98\x80",
      "\xC3",
      "\xE2\x82",
      "\xFF",
      "\x80",
      "Procedure X(a.i)",
      "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef0123"};
  std::string bytes;
  uint64_t seed = 12345;
  for (int i = 0; i < 20000; ++i) {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    bytes += pieces[(seed >> 33) % std::size(pieces)];
  }
  const auto read_all = [&](size_t buffer_size, bool read_ahead = false) {
    MemorySource source(bytes, read_ahead);
    SourceReader reader(&source, buffer_size, /*reads_before_reading_ahead=*/4);
    std::vector<std::string> lines;
    while (!reader.Eof()) {
      lines.emplace_back(reader.ReadString());
      EXPECT_TRUE(reader.LineMayHoldColon() || lines.back().find(':') == std::string::npos)
          << "line " << lines.size() << ", buffer " << buffer_size;
    }
    return lines;
  };
  const std::vector<std::string> expected = read_all(1);
  ASSERT_GT(expected.size(), 2000u);
  for (const size_t buffer_size :
       {size_t{64}, size_t{65}, size_t{100}, size_t{4096}, SourceReader::kDefaultBufferSize}) {
    EXPECT_EQ(read_all(buffer_size), expected) << "buffer " << buffer_size;
    EXPECT_EQ(read_all(buffer_size, /*read_ahead=*/true), expected)
        << "buffer " << buffer_size << ", read ahead";
  }
}

// In a procedure body the run passes over lines that cannot end it. Each case is
// a few lines to pass over, then the line SkipLinesWithout must stop at; a long
// last line lets the block scan see past it.
TEST(SourceReaderTest, SkipLinesStopsAtLinesThatMayBeginAKeyword) {
  struct Case {
    std::string passed;  // lines that hold no statement beginning with a keyword
    std::string stop;    // the line to stop at, with its line end
    std::string read;    // what ReadString then returns
  };
  const std::string spaces(70, ' ');
  const Case cases[] = {
      {"  x = 1\n  EndIf\n\tEndProcedure\n", "  EndProcedure\n", "  EndProcedure"},
      {"a\r\n\r\nEnd\r\n  EndSelect\r\n", "ENDPROCEDURE\r\n", "ENDPROCEDURE"},
      {"x = 1 : y = 2\nIf a : EndIf\nMod::Clamp(x)\n", "a = 1 :   endPROCEDURE\n",
       "a = 1 :   endPROCEDURE"},
      {"", "RunTime Procedure X()\n", "RunTime Procedure X()"},
      {spaces + "x\n", spaces + "EndProcedure\n", spaces + "EndProcedure"},
      {"x = \"a:b\"\n", "x = \":endprocedure\"\n", "x = \":endprocedure\""},
      {"a\nb\n", "c\rd\n", "c"},  // a lone CR: read the usual way
      {"x = \"Gr\xC3\xB6\xC3\x9F\xE2\x82\xAC\"\n", "EndProcedure ; \xF0\x9F\x98\x80\n",
       "EndProcedure ; \xF0\x9F\x98\x80"},
      {"a\nb\n", "\xE2\x82: x\n", "\xEF\xBF\xBD: x"},  // a lead byte takes the ':'
      {"a\nb\n", std::string("c\0d\n", 4), "c"},
      {"a\n", "\xC3\nEndProcedure\n", "\xEF\xBF\xBD\nEndProcedure"},
  };
  const std::string last(100, 'z');
  for (const Case& c : cases) {
    const std::string bytes = c.passed + c.stop + last;
    MemorySource source(bytes);
    SourceReader reader(&source);
    reader.SkipLinesWithout(KeywordPrefixes{"endprocedure", "runtime "});
    ASSERT_FALSE(reader.Eof());
    EXPECT_EQ(reader.ReadString(), c.read) << c.passed;
  }
  // Where four bytes past the line start are not in the buffer, nothing is
  // passed over; without a keyword, nothing either.
  for (const auto& [size, first, second] :
       {std::tuple{size_t{16}, "endprocedure", "runtime "}, {size_t{4096}, "", "runtime "}}) {
    const std::string bytes = "  x = 1\n" + last;
    MemorySource source(bytes);
    SourceReader reader(&source, size);
    reader.SkipLinesWithout(KeywordPrefixes{first, second});
    EXPECT_EQ(reader.ReadString(), "  x = 1");
  }
}

TEST(SourceReaderTest, LongLinesAndEofRepeated) {
  const std::string long_line(100000, 'x');
  EXPECT_EQ(Lines(long_line + "\r\n" + long_line, 4096),
            (std::vector<std::string>{long_line, long_line}));
  MemorySource source("ab");
  SourceReader reader(&source, 1);
  EXPECT_FALSE(reader.Eof());
  EXPECT_FALSE(reader.Eof());  // looking ahead loses no byte
  EXPECT_EQ(reader.ReadString(), "ab");
  EXPECT_TRUE(reader.Eof());
}

class FailingSource final : public ByteSource {
 public:
  Status Read(char* buffer, size_t capacity, size_t* count) override {
    if (calls_++ == 0 && capacity > 0) {
      buffer[0] = 'a';
      *count = 1;
      return Status::kOk;
    }
    *count = 0;
    return Status::kIoError;
  }

 private:
  int calls_ = 0;
};

// Reads full buffers of 'a' a few times, then fails; may be read ahead.
class FailingLongSource final : public ByteSource {
 public:
  Status Read(char* buffer, size_t capacity, size_t* count) override {
    if (reads_++ < 3) {
      std::fill_n(buffer, capacity, 'a');
      *count = capacity;
      return Status::kOk;
    }
    *count = 0;
    return Status::kIoError;
  }
  [[nodiscard]] bool MayReadAhead() const override { return true; }

 private:
  int reads_ = 0;
};

TEST(SourceReaderTest, ReadFailureAheadEndsTheSourceAndIsKept) {
  FailingLongSource source;
  SourceReader reader(&source, 16, /*reads_before_reading_ahead=*/1);
  ASSERT_FALSE(reader.Eof());
  // Two reads of 16 bytes, then one of 64 ahead; the fourth fails.
  EXPECT_EQ(reader.ReadString(), std::string(96, 'a'));
  EXPECT_TRUE(reader.Eof());
  EXPECT_EQ(reader.status(), Status::kIoError);
}

TEST(SourceReaderTest, ReadFailureEndsTheSourceAndIsKept) {
  FailingSource source;
  SourceReader reader(&source, 16);
  EXPECT_FALSE(reader.Eof());
  EXPECT_EQ(reader.ReadString(), "a");
  EXPECT_TRUE(reader.Eof());
  EXPECT_EQ(reader.status(), Status::kIoError);
}

}  // namespace
}  // namespace vortiq
