#include "declgen/convert_header.h"

#include <gtest/gtest.h>

#include "support/converted.h"

namespace vortiq {
namespace {

TEST(ConvertHeaderTest, SingleStatements) {
  struct Case {
    std::string_view statement, declaration;
  };
  const Case cases[] = {
      // Copied unchanged.
      {"Declare.i Foo(a.l, *p, List l.s(), Array a.i(1), Map m.s(), x = 5)",
       "Declare.i Foo(a.l, *p, List l.s(), Array a.i(1), Map m.s(), x = 5)"},
      {"Declare Foo(a.l = Max(1, 2), b.l)", "Declare Foo(a.l = Max(1, 2), b.l)"},
      {"Declare Foo(a.s = \"x;y),\", b.l)", "Declare Foo(a.s = \"x;y),\", b.l)"},
      {"Declare Foo", "Declare Foo"},
      {"Declare Foo ; note", "Declare Foo ; note"},
      {"Declare Foo(a.l))", "Declare Foo(a.l))"},
      {"Declare Foo(Map  m.s())", "Declare Foo(Map  m.s())"},
      {"Declare Foo(List l())", "Declare Foo(List l())"},
      {"Declare Foo(a.s = \"x", "Declare Foo(a.s = \"x"},
      {"Declare Foo(s.p-unicode)", "Declare Foo(s.p-unicode)"},
      {"", ""},
      // Nothing before the first '(' counts as a comment, a string or a pointer.
      {"Declare Foo ;(a.l, *p.Point)", "Declare Foo ;(a.l, *p)"},
      {"Declare Foo\"(*p.Point)", "Declare Foo\"(*p)"},
      // Pointer types dropped.
      {"Declare.s Name(*p.Point, *q.i)", "Declare.s Name(*p, *q)"},
      {"Declare Foo(*p.Point = 0)", "Declare Foo(*p= 0)"},
      {"Declare Foo(*p.Point , b)", "Declare Foo(*p, b)"},
      {"Declare Foo(x.Mod::Type, *y.Mod::Type, List z.Mod::Type())",
       "Declare Foo(x.Mod::Type, *y, List z())"},
      {"DeclareCDLL.l Bar(s.p-unicode, *out.Long)", "DeclareCDLL.l Bar(s.p-unicode, *out)"},
      {"Declare Foo(a.d = 2*3.5)", "Declare Foo(a.d = 2*3)"},
      {"Declare *Get.Point(*p.Point)", "Declare *Get.Point(*p)"},
      // Collection element types: basic ones kept in lower case.
      {"Declare Draw(List pts.Point(), Array grid.D(2, 3))",
       "Declare Draw(List pts(), Array grid.d(2, 3))"},
      {"Declare Load(List l.s ())", "Declare Load(List l())"},
      {"Declare Foo(Map m.Mod::Type(), List n.i())", "Declare Foo(Map m(), List n.i())"},
      {"Declare Foo(LIST l.S(), array a.str())", "Declare Foo(LIST l.s(), array a())"},
      {"Declare Foo(List\tl.Point())", "Declare Foo(List\tl.Point())"},
      {"Declare Foo(heatmap x.Point())", "Declare Foo(heatmap x())"},
      {"Declare Foo(List a, b.Point())", "Declare Foo(List a, b.Point())"},
      // Comments and strings.
      {"Declare Foo(a.l) ; comment", "Declare Foo(a.l) "},
      {"Declare Foo(c.c = ';')", "Declare Foo(c.c = '"},
      {"Declare Foo(s.s = \"a\" ; x \"y\")", "Declare Foo(s.s = \"a\" "},
      {"Declare Foo(s.s = \"a;b", "Declare Foo(s.s = \"a;b"},
      {"Declare Foo(*p.\"x;y\", z)", "Declare Foo(*p, z)"},
      {"Declare Caf\xC3\xA9(*p.\xC3\x89t\xC3\xA9, s.s = \"\xE2\x82\xAC\")",
       "Declare Caf\xC3\xA9(*p, s.s = \"\xE2\x82\xAC\")"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Converted(c.statement), c.declaration) << c.statement;
  }
}

TEST(ConvertHeaderTest, ContinuedHeaders) {
  struct Case {
    std::string_view header;
    std::vector<std::string> following;
    std::string_view declaration;
  };
  const Case cases[] = {
      {"Declare Foo(a.l,", {"*p.Point,", "List l.Point())", "x"}, "Declare Foo(a.l,*p,List l())"},
      {"Declare Foo(a.s = \"x\",",
       {"b.s = \"y;z\") ; end"},
       "Declare Foo(a.s = \"x\",b.s = \"y;z\") "},
      {"Declare Foo(a.l, ; first", {"b.l)"}, "Declare Foo(a.l, "},
      {"Declare Foo(a.l,", {"", "b.l)"}, "Declare Foo(a.l,"},         // an empty line ends it
      {"Declare Foo(a.l,", {";; note", "b.l)"}, "Declare Foo(a.l,"},  // so does a comment
      {"Declare Foo(a.l,", {"\tb.l)"}, "Declare Foo(a.l,\tb.l)"},
      {"Declare Foo(a.s = \"x,", {"b\")"}, "Declare Foo(a.s = \"x,b\")"},
      {"Declare Foo(a,", {"List l.S())"}, "Declare Foo(a,List l.s())"},
      {"Declare Foo(a = \"x,", {"\" ; y"}, "Declare Foo(a = \"x,\" ; y"},  // string not carried
      {"Declare Foo(a,", {}, "Declare Foo(a,"},  // the source ends: nothing read past it
      {"Declare Foo(a,", {"b,"}, "Declare Foo(a,b,"},
      {"Declare Foo ,", {"x(y.i"}, "Declare Foo ,x(y.i"},
      // An empty header continues nothing, whatever lies before it in memory.
      {std::string_view("x,").substr(2), {"b)"}, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Converted(c.header, c.following), c.declaration) << c.header;
  }
}

TEST(ConvertHeaderTest, ScanReportsContinuation) {
  std::string out;
  EXPECT_TRUE(ScanDeclarationStatement("Declare A(x,", false, &out));
  EXPECT_FALSE(ScanDeclarationStatement("a, ; b,", true, &out));
  EXPECT_FALSE(ScanDeclarationStatement("", true, &out));
  EXPECT_TRUE(ScanDeclarationStatement("\"a,", true, &out));
  EXPECT_EQ(out, "Declare A(x,a, \"a,");
}

TEST(ConvertHeaderTest, MillionStatementChainUsesNoStack) {
  std::vector<std::string> following(1000000, "b,");
  following.push_back("c)");
  const std::string declaration = Converted("Declare A(a,", following);
  EXPECT_EQ(declaration.size(), std::string("Declare A(a,").size() + 2000000 + 2);
  EXPECT_EQ(declaration.substr(declaration.size() - 6), "b,b,c)");
}

}  // namespace
}  // namespace vortiq
