#include "io/source_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vortiq {
namespace {

// The lines the run gets: ReadString while not Eof.
std::vector<std::string> Lines(std::string_view bytes, size_t buffer_size) {
  MemorySource source(bytes);
  SourceReader reader(&source, buffer_size);
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
      EXPECT_EQ(Lines(c.bytes, buffer_size), c.lines)
          << "buffer " << buffer_size << ", bytes of length " << c.bytes.size();
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
  const auto read_all = [&](size_t buffer_size) {
    MemorySource source(bytes);
    SourceReader reader(&source, buffer_size);
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
  }
}

// What a walk over the buffer passes goes unread: the next line is the one
// after it, and the line before it is read the usual way.
TEST(SourceReaderTest, SkipPassesOverWhatIsUnread) {
  const std::string bytes = "a\nbb\r\ncc:c\ndd\n";
  MemorySource source(bytes);
  SourceReader reader(&source, 64);
  ASSERT_FALSE(reader.Eof());
  EXPECT_EQ(reader.Unread(), bytes);
  EXPECT_EQ(reader.ReadString(), "a");
  EXPECT_EQ(reader.Unread(), bytes.substr(2));
  reader.Skip(4);  // "bb\r\n"
  EXPECT_EQ(reader.ReadString(), "cc:c");
  EXPECT_TRUE(reader.LineMayHoldColon());
  EXPECT_EQ(reader.ReadString(), "dd");
  EXPECT_TRUE(reader.Eof());
  EXPECT_TRUE(reader.Unread().empty());
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
