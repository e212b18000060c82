#include "declgen/split_line.h"

#include <gtest/gtest.h>

#include <string_view>
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

}  // namespace
}  // namespace vortiq
