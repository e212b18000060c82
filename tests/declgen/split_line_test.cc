#include "declgen/split_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vortiq {
namespace {

TEST(SplitLineTest, Pieces) {
  struct Case {
    std::string_view line;
    std::vector<std::string_view> pieces;
    size_t count;
  };
  const Case cases[] = {
      {"a:b", {"a", "b"}, 2},
      {"a : b : c", {"a ", " b ", " c"}, 3},
      {"If a : b = Mod::c : EndIf", {"If a ", " b = Mod::c ", " EndIf"}, 3},
      {"a::b", {"a::b"}, 1},
      {"a:::b", {"a::", "b"}, 2},
      {"a::::b", {"a::::b"}, 1},
      {"a::", {"a::"}, 1},
      {"a:b::", {"a", "b::"}, 2},
      {"a:", {"a"}, 1},
      {":a", {"", "a"}, 2},
      {":", {""}, 1},
      {"::", {"::"}, 1},
      {":::", {"::"}, 1},
      {"a: :b", {"a", " ", "b"}, 3},
      {"", {""}, 0},
      {"Debug \"a:b\"", {"Debug \"a", "b\""}, 2},
      {"x = 1 ; note: more", {"x = 1 ; note", " more"}, 2},
      {"Procedure Foo(a.s = \"x:y\")", {"Procedure Foo(a.s = \"x", "y\")"}, 2},
      {"no colon at all ", {"no colon at all "}, 1},
      {std::string_view("a::", 2), {"a"}, 1},  // a colon after the line is not its pair
  };
  std::vector<std::string_view> pieces{"stale"};
  for (const Case& c : cases) {
    EXPECT_EQ(SplitLine(c.line, &pieces), c.count) << c.line;
    EXPECT_EQ(pieces, c.pieces) << c.line;
  }
}

// Lines of 16 bytes and more are searched sixteen bytes at a time, the rest in
// a last block that overlaps: colons and pairs at and across those edges.
TEST(SplitLineTest, LongLinesAcrossBlockEdges) {
  const std::string a15(15, 'a');
  const std::string a16(16, 'a');
  const std::string b20(20, 'b');
  struct Case {
    std::string line;
    std::vector<std::string> pieces;
  };
  const Case cases[] = {
      {a15 + "::" + b20, {a15 + "::" + b20}},  // a pair across the first edge
      {a15 + ":" + b20, {a15, b20}},
      {a16 + ":::b", {a16 + "::", "b"}},
      {a16 + ":", {a16}},  // the colon is the last byte, found in the overlap
      {":" + b20, {"", b20}},
      {a15 + ":" + a15 + ":" + a15 + "::", {a15, a15, a15 + "::"}},
      {std::string(40, ':'), {std::string(40, ':')}},  // twenty pairs
      {std::string(41, ':'), {std::string(40, ':')}},  // and a single colon at the end
      // 31 colons ending at byte 63: fifteen pairs, then one that splits.
      {std::string(33, 'x') + std::string(31, ':') + "y",
       {std::string(33, 'x') + std::string(30, ':'), "y"}},
  };
  std::vector<std::string_view> pieces;
  for (const Case& c : cases) {
    SplitLine(c.line, &pieces);
    EXPECT_EQ(std::vector<std::string>(pieces.begin(), pieces.end()), c.pieces) << c.line;
  }
}

}  // namespace
}  // namespace vortiq
