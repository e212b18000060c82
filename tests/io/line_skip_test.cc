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
      {"a\rb\nc\n", 0},                        // a lone CR
      {"x\n" + spaces + "endPROCEDURE\n", 2},  // indentation across blocks
      {"\xC3\xA9\n\xE2\x82\xAC\n\xF0\x9F\x98\x80\n\xBF\n", 14},
      {"ab\n\xE2\x82\n", 3},  // the lead byte takes the LF
      {"ab\n\xF8\n", 5},      // F8..FF take nothing
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

}  // namespace
}  // namespace vortiq
