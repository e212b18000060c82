// Whole headers of large generated sources, checked against the header body the
// generator works out from what it generated.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/generate.h"
#include "support/header_text.h"
#include "support/source_generator.h"

namespace vortiq {
namespace {

// The clock reading whose time stamp testing::Prologue shows.
constexpr LocalTime kClock{2026, 12, 6, 9, 41, 7};
const std::string kPrologue = testing::Prologue("big.pb");

// Compares line by line first, so a failure names the first wrong line.
void ExpectHeader(size_t size, uint64_t seed) {
  std::string source;
  std::string body;
  GenerateSource(size, seed, &source, &body);
  ASSERT_EQ(source.size(), size);
  const std::string header = GenerateHeader(source, "big.pb", kClock);
  const std::string expected = kPrologue + body + "CompilerEndIf";
  if (header == expected) return;
  size_t line_start = 0;
  size_t line = 1;
  for (size_t i = 0; i < std::min(header.size(), expected.size()) && header[i] == expected[i];
       ++i) {
    if (header[i] == '\n') {
      line_start = i + 1;
      ++line;
    }
  }
  FAIL() << "size " << size << ", seed " << seed << ": header line " << line << " is\n"
         << header.substr(line_start, 200) << "\nbut should be\n"
         << expected.substr(line_start, 200);
}

TEST(LargeSourceTest, TensOfMebibytes) { ExpectHeader(24 << 20, 20261206); }

TEST(LargeSourceTest, ManySmallSources) {
  for (uint64_t seed = 1; seed <= 40; ++seed) ExpectHeader(16 << 10 | seed * 37, seed);
}

TEST(LargeSourceTest, GeneratorIsDeterministicAndExact) {
  std::string first, second, body;
  GenerateSource(100000, 7, &first, &body);
  const size_t declarations = std::count(body.begin(), body.end(), '\n');
  GenerateSource(100000, 7, &second, &body);
  EXPECT_EQ(first, second);
  EXPECT_EQ(first.size(), 100000u);
  EXPECT_GT(declarations, 100u);  // mostly procedures, as in real code
}

}  // namespace
}  // namespace vortiq
