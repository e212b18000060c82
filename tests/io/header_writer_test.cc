#include "io/header_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vortiq {
namespace {

// Records every write it is handed; fails from write number `fail_at` on.
class RecordingSink final : public ByteSink {
 public:
  explicit RecordingSink(size_t fail_at = SIZE_MAX) : fail_at_(fail_at) {}
  Status Write(std::string_view bytes) override {
    if (writes.size() >= fail_at_) return Status::kIoError;
    writes.emplace_back(bytes);
    return Status::kOk;
  }
  std::vector<std::string> writes;

 private:
  size_t fail_at_;
};

TEST(HeaderWriterTest, BytesArriveCompleteAndInOrder) {
  // Texts of many sizes around the buffer size, each of its own letter,
  // written and made in place in turn.
  std::string expected;
  RecordingSink sink;
  HeaderWriter writer(&sink, 16);
  size_t sizes[] = {1, 15, 16, 17, 3, 40, 0, 2, 14, 1, 100, 5, 16, 9, 30};
  char letter = 'a';
  for (size_t size : sizes) {
    const std::string text(size, letter++);
    if (letter % 2 == 0) {
      EXPECT_EQ(writer.WriteString(text), size);
    } else {
      writer.buffer()->append(text);
      writer.Appended();
      EXPECT_LT(writer.buffer()->size(), 16u);  // a full buffer goes out
    }
    expected += text;
  }
  EXPECT_EQ(writer.Flush(), Status::kOk);
  std::string written;
  for (const std::string& piece : sink.writes) {
    EXPECT_FALSE(piece.empty());
    written += piece;
  }
  EXPECT_EQ(written, expected);
}

TEST(HeaderWriterTest, BufferIsNeverLeftFull) {
  // Writes of 4000, 95 and 1 bytes into 4096: the third flushes the 4095 first.
  RecordingSink sink;
  HeaderWriter writer(&sink, 4096);
  writer.WriteString(std::string(4000, 'a'));
  writer.WriteString(std::string(95, 'b'));
  EXPECT_TRUE(sink.writes.empty());
  writer.WriteString("c");
  ASSERT_EQ(sink.writes.size(), 1u);
  EXPECT_EQ(sink.writes[0].size(), 4095u);
  writer.Flush();
  ASSERT_EQ(sink.writes.size(), 2u);
  EXPECT_EQ(sink.writes[1], "c");
}

TEST(HeaderWriterTest, LargeTextGoesOutAfterPendingBytes) {
  RecordingSink sink;
  HeaderWriter writer(&sink, 8);
  writer.WriteString("ab");
  writer.WriteString(std::string(20, 'x'));
  EXPECT_EQ(sink.writes, (std::vector<std::string>{"ab", std::string(20, 'x')}));
}

TEST(HeaderWriterTest, FirstFailureIsKeptAndStopsWriting) {
  RecordingSink sink(/*fail_at=*/1);
  HeaderWriter writer(&sink, 8);
  writer.WriteString("abcdefg");
  writer.WriteString("def");  // flushes "abcdefg"
  EXPECT_EQ(writer.status(), Status::kOk);
  writer.WriteString("ghijkl");  // flushing "def" fails
  EXPECT_EQ(writer.status(), Status::kIoError);
  EXPECT_EQ(writer.WriteString("jkl"), 0u);
  writer.buffer()->append("m");  // dropped too, not kept
  writer.Appended();
  EXPECT_TRUE(writer.buffer()->empty());
  EXPECT_EQ(writer.Flush(), Status::kIoError);
  EXPECT_EQ(sink.writes, (std::vector<std::string>{"abcdefg"}));
}

}  // namespace
}  // namespace vortiq
