#include "declgen/line_skip.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "base/byte_stream.h"
#include "io/source_reader.h"

namespace vortiq {
namespace {

const KeywordPrefixes kBodyKeywords = {"endprocedure", "runtime "};

// The vector walks that this build has and this processor runs.
std::vector<LineWalk> VectorWalks() {
  std::vector<LineWalk> walks;
  for (const LineWalk walk : {LineWalk::kVector, LineWalk::kAvx2, LineWalk::kAvx512}) {
    if (Runs(walk)) walks.push_back(walk);
  }
  return walks;
}

// Where the walk stops, with either way of making its masks, when passing
// over `lines` followed by a long last line, which lets the scan see past them.
TEST(LineSkipTest, StopsAtTheLineItCannotPassOver) {
  struct Case {
    std::string lines;
    size_t stop;  // offset of the line start every scan must return
  };
  const std::string spaces(61, ' ');
  const Case cases[] = {
      {"a\nb\n", 4},
      {"a\n  EndProcedure\n", 2},
      {"a\r\nb = 1 : RunTime x\n", 3},
      {std::string("a\0\nb\n", 5), 5},   // a zero byte right before a LF ends the line there
      {std::string("a\0b\nc\n", 6), 6},  // a zero byte ends a line
      {std::string("a\0  EndProcedure\n", 17), 2},
      {"a\rb\nc\n", 6},                           // a lone CR too
      {"\rb\nc\n", 5},                            // ... as the first byte of a block
      {std::string(63, 'x') + "\n\rb\nc\n", 69},  // ... of the second block
      {"a\rEndProcedure\n", 2},
      {"a\r:EndProcedure\n", 2},
      {"x\n" + spaces + "endPROCEDURE\n", 2},  // indentation across blocks
      // A prefix with any one byte wrong is no keyword.
      {"a\n  eXdProcedure\n  rXntime x\n", 29},
      {"a\n  EnXProcedure\n  enpXrocedure\n  Xndprocedure\n", 47},
      {"\xC3\xA9\n\xE2\x82\xAC\n\xF0\x9F\x98\x80\n\xBF\n", 14},
      {"ab\n\xE2\x82\n", 3},  // the lead byte takes the LF
      {"ab\n\xF8\n", 5},      // F8..FF take nothing
      // The first and last lead byte taking one, two and three bytes: each
      // takes the LF when one continuation byte is missing.
      {"ab\n\xC0\n", 3},
      {"ab\n\xC0\x80\n", 6},
      {"ab\n\xDF\n", 3},
      {"ab\n\xE0\xA0\n", 3},
      {"ab\n\xE0\xA0\x80\n", 7},
      {"ab\n\xEF\xBF\n", 3},
      {"ab\n\xF0\x9F\x98\n", 3},
      {"ab\n\xF0\x9F\x98\x80\n", 8},
      {"ab\n\xF7\xBF\xBF\n", 3},
  };
  const std::string last(100, 'z');
  for (const Case& c : cases) {
    const std::string text = c.lines + last;
    EXPECT_EQ(SkipPlainLinesByteByByte(text.data(), text.size(), 0, kBodyKeywords), c.stop)
        << c.lines;
    for (const LineWalk walk : VectorWalks()) {
      EXPECT_EQ(SkipPlainLinesWith(walk, text.data(), text.size(), 0, kBodyKeywords), c.stop)
          << c.lines << " walk " << static_cast<int>(walk);
    }
  }
  // The walk's last block ends between a CR and its LF, so the first line is
  // not known to end there.
  const std::string split = std::string(63, 'x') + "\r\nyy";
  EXPECT_EQ(SkipPlainLinesByteByByte(split.data(), split.size(), 0, kBodyKeywords), 0u);
  for (const LineWalk walk : VectorWalks()) {
    EXPECT_EQ(SkipPlainLinesWith(walk, split.data(), split.size(), 0, kBodyKeywords), 0u);
  }
}

// Every vector walk agrees with the byte walk (and kNone passes nothing) from
// every line start of a text built from pieces that hit the edge cases at every
// offset of a block.
TEST(LineSkipTest, WaysOfScanningAgree) {
  const std::string_view pieces[] = {"\n",
                                     "\r\n",
                                     "\r",
                                     std::string_view("\0", 1),
                                     " ",
                                     "    ",
                                     ":",
                                     "::",
                                     "x = 1",
                                     "EndProcedure",
                                     "endp",
                                     "RunTime ",
                                     "Procedure A()",
                                     "\xC3\xA9",
                                     "\xE2\x82",
                                     "\x80",
                                     "\xFF"};
  std::string text;
  uint64_t seed = 99;
  for (int i = 0; i < 20000; ++i) {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    text += pieces[(seed >> 33) % std::size(pieces)];
  }
  // Sets of one to eight prefixes: each number has its own walk.
  for (const KeywordPrefixes& keywords :
       {KeywordPrefixes{"endprocedure"}, kBodyKeywords,
        KeywordPrefixes{"procedure", "module ", "runtime "},
        KeywordPrefixes{"procedure", "module ", "macro ", "runtime "},
        KeywordPrefixes{"procedure", "module ", "macro ", "runtime ", "endprocedure", "endmacro",
                        "x = 1", "::::"}}) {
    for (size_t start = 0; start < text.size(); start = text.find('\n', start) + 1) {
      const size_t expected = SkipPlainLinesByteByByte(text.data(), text.size(), start, keywords);
      ASSERT_GE(expected, start);
      for (const LineWalk walk : VectorWalks()) {
        ASSERT_EQ(SkipPlainLinesWith(walk, text.data(), text.size(), start, keywords), expected)
            << "from " << start << " walk " << static_cast<int>(walk);
      }
      ASSERT_EQ(SkipPlainLinesWith(LineWalk::kNone, text.data(), text.size(), start, keywords),
                start);
      if (text.find('\n', start) == std::string::npos) break;
    }
  }
}

// As the statement list passes lines over.
void PassOver(SourceReader* reader, const KeywordPrefixes& keywords) {
  const std::string_view unread = reader->Unread();
  reader->Skip(SkipPlainLines(unread.data(), unread.size(), 0, keywords));
}

// In a procedure body the run passes over lines that cannot end it, in the
// reader's buffer. Each case is a few lines to pass over, then the line the
// walk must stop at; a long last line lets the block scan see past it.
TEST(LineSkipTest, ReaderGoesOnAtTheLineTheWalkStopsAt) {
  if (WidestLineWalk() == LineWalk::kNone) GTEST_SKIP() << "no vector walk: nothing is passed over";
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
      {"a\nb\nc\rd\r", "EndProcedure\r", "EndProcedure"},  // lone CRs end lines
      {"x = \"Gr\xC3\xB6\xC3\x9F\xE2\x82\xAC\"\n", "EndProcedure ; \xF0\x9F\x98\x80\n",
       "EndProcedure ; \xF0\x9F\x98\x80"},
      {"a\nb\n", "\xE2\x82: x\n", "\xEF\xBF\xBD: x"},  // a lead byte takes the ':'
      {std::string("a\nb\nc\0d\0", 8), std::string("  endprocedure\0", 15), "  endprocedure"},
      {"a\n", "\xC3\nEndProcedure\n", "\xEF\xBF\xBD\nEndProcedure"},
  };
  const std::string last(100, 'z');
  for (const Case& c : cases) {
    const std::string bytes = c.passed + c.stop + last;
    MemorySource source(bytes);
    SourceReader reader(&source);
    ASSERT_FALSE(reader.Eof());
    PassOver(&reader, kBodyKeywords);
    EXPECT_EQ(reader.ReadString(), c.read) << c.passed;
  }
  // Where four bytes past the line start are not in the buffer, nothing is
  // passed over; without a keyword, nothing either.
  for (const auto& [size, first, second] :
       {std::tuple{size_t{16}, "endprocedure", "runtime "}, {size_t{4096}, "", "runtime "}}) {
    const std::string bytes = "  x = 1\n" + last;
    MemorySource source(bytes);
    SourceReader reader(&source, size);
    ASSERT_FALSE(reader.Eof());
    PassOver(&reader, KeywordPrefixes{first, second});
    EXPECT_EQ(reader.ReadString(), "  x = 1");
  }
}

}  // namespace
}  // namespace vortiq
