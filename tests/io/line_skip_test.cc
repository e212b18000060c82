#include "io/line_skip.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace vortiq {
namespace {

const KeywordPrefixes kBodyKeywords = {"endprocedure", "runtime "};

// Where each way of scanning stops when passing over `lines` followed by a
// long last line, which lets the scan see past them.
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
      {std::string("a\0\nb\n", 5), 5},  // a zero byte right before a LF ends the line there
      {std::string("a\0b\nc\n", 6), 0},
      {"a\rb\nc\n", 0},                           // a lone CR
      {"\rb\nc\n", 0},                            // ... as the first byte of a block
      {std::string(63, 'x') + "\n\rb\nc\n", 64},  // ... of the second block
      {"x\n" + spaces + "endPROCEDURE\n", 2},     // indentation across blocks
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
    for (const SkipScan scan : AvailableSkipScans()) {
      EXPECT_EQ(SkipPlainLines(scan, text.data(), text.size(), 0, kBodyKeywords), c.stop)
          << static_cast<int>(scan) << ": " << c.lines;
    }
  }
}

// All ways agree from every line start of a text built from pieces that hit
// the edge cases at every offset of a block.
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
  for (const KeywordPrefixes& keywords :
       {kBodyKeywords, KeywordPrefixes{"procedure", "module ", "macro ", "runtime "}}) {
    for (size_t start = 0; start < text.size(); start = text.find('\n', start) + 1) {
      const size_t expected =
          SkipPlainLines(SkipScan::kPortable, text.data(), text.size(), start, keywords);
      ASSERT_GE(expected, start);
      for (const SkipScan scan : AvailableSkipScans()) {
        ASSERT_EQ(SkipPlainLines(scan, text.data(), text.size(), start, keywords), expected)
            << static_cast<int>(scan) << " from " << start;
      }
      if (text.find('\n', start) == std::string::npos) break;
    }
  }
}

// Lines found once for all keywords give what each walk for some of them
// gives, from every line start before where the finding stopped.
TEST(LineSkipTest, LinesFoundOnceAgreeWithEachWalk) {
  const std::string_view pieces[] = {"\n",
                                     "\r\n",
                                     " ",
                                     "   ",
                                     ":",
                                     "x = 1",
                                     "EndProcedure",
                                     "EndMacro",
                                     "EndModule",
                                     "Procedure A()",
                                     "ProcedureReturn",
                                     "Module M",
                                     "Macro X",
                                     "RunTime ",
                                     "\xC3\xA9",
                                     "\tEndIf",
                                     "endp",
                                     "End"};
  const KeywordPrefixes all = {"procedure",    "module ",   "macro ",  "runtime ",
                               "endprocedure", "endmodule", "endmacro"};
  const KeywordPrefixes subsets[] = {{"procedure", "module ", "macro ", "runtime "},
                                     {"procedure", "endmodule", "macro ", "runtime "},
                                     {"endprocedure", "runtime "},
                                     {"endmacro", "runtime "}};
  for (uint64_t seed = 1; seed <= 20; ++seed) {
    std::string text;
    uint64_t state = seed;
    for (int i = 0; i < 400; ++i) {
      state = state * 6364136223846793005ULL + 1442695040888963407ULL;
      text += pieces[(state >> 33) % std::size(pieces)];
    }
    text += "\n" + std::string(200, 'z');  // both walks stop in this line
    for (const SkipScan scan : AvailableSkipScans()) {
      std::vector<KeywordLine> lines;
      const size_t found_to = FindKeywordLines(scan, text.data(), text.size(), all, &lines);
      ASSERT_EQ(found_to, text.size() - 200);
      for (const KeywordPrefixes& subset : subsets) {
        const uint32_t bits = subset.BitsIn(all);
        ASSERT_NE(bits, 0u);
        size_t next = 0;  // in `lines`
        for (size_t start = 0; start < found_to; start = text.find('\n', start) + 1) {
          while (next < lines.size() && lines[next].start < start) ++next;
          size_t expected = found_to;
          for (size_t k = next; k < lines.size(); ++k) {
            if ((lines[k].keywords & bits) != 0) {
              expected = lines[k].start;
              break;
            }
          }
          ASSERT_EQ(SkipPlainLines(scan, text.data(), text.size(), start, subset), expected)
              << "seed " << seed << " from " << start;
        }
      }
    }
  }
}

}  // namespace
}  // namespace vortiq
