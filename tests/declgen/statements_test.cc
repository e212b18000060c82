#include "declgen/statements.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vortiq {
namespace {

using Statements = std::vector<std::string>;

Statements StatementsOf(std::string_view source) {
  StatementCursor cursor(source);
  Statements statements;
  std::string_view statement;
  while (cursor.Next(&statement)) statements.emplace_back(statement);
  EXPECT_FALSE(cursor.Next(&statement));
  return statements;
}

// Physical lines: their ends and their bytes as UTF-8.
TEST(StatementsTest, LinesOfBytes) {
  const std::string fffd = "\xEF\xBF\xBD";
  const struct {
    std::string bytes;
    Statements statements;
  } cases[] = {
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
      {"\xE2:\x80\n", {fffd, fffd}},  // 0x80 continues the E2 that took the colon
      {"caf\xC3\xA9 \xE2\x82\xAC 12345678 \xF0\x9F\x98\x80\r\nend",
       {"caf\xC3\xA9 \xE2\x82\xAC 12345678 \xF0\x9F\x98\x80", "end"}},
      {"tab\tkept\r\n\r", {"tab\tkept", ""}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StatementsOf(c.bytes), c.statements) << "bytes of length " << c.bytes.size();
  }
}

// Lines into statements: split at single colons, trimmed, "runtime " dropped,
// comments marked.
TEST(StatementsTest, LinesBecomeStatements) {
  const struct {
    std::string_view line;
    Statements statements;
  } cases[] = {
      {"Runtime Procedure A(x.l) : EndProcedure", {"Procedure A(x.l)", "EndProcedure"}},
      {"; note: Procedure B()", {";; note", ";Procedure B()"}},
      {"x = 1 : ; why: Procedure E()", {"x = 1", ";; why", ";Procedure E()"}},
      {"a = 2 ; see: b = 3", {"a = 2 ; see", "b = 3"}},
      {"", {""}},
      {"   ", {""}},
      {"RUNTIME   Declare D()", {"Declare D()"}},
      {"runtime", {"runtime"}},
      {"runtime ;x", {";;x"}},
      {"Runtime\tProcedure G()", {"Runtime\tProcedure G()"}},
      {"\tProcedure F()", {"\tProcedure F()"}},
      {"runtime runtime X", {"runtime X"}},  // only one keyword goes
      {"a:b", {"a", "b"}},
      {"a : b : c", {"a", "b", "c"}},
      {"If a : b = Mod::c : EndIf", {"If a", "b = Mod::c", "EndIf"}},
      {"a::b", {"a::b"}},
      {"a:::b", {"a::", "b"}},
      {"a::::b", {"a::::b"}},
      {"a::", {"a::"}},
      {"a:b::", {"a", "b::"}},
      {"a:", {"a"}},
      {":a", {"", "a"}},
      {":", {""}},
      {"::", {"::"}},
      {":::", {"::"}},
      {"a: :b", {"a", "", "b"}},
      {"Debug \"a:b\"", {"Debug \"a", "b\""}},
      {"Procedure Foo(a.s = \"x:y\")", {"Procedure Foo(a.s = \"x", "y\")"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StatementsOf(std::string(c.line) + "\n"), c.statements) << c.line;
  }
  // The comment mark ends with the physical line.
  EXPECT_EQ(StatementsOf("; a: b\nc: d\r\n"), (Statements{";; a", ";b", "c", "d"}));
}

// A copy reads ahead, the rest of a repaired line included, and leaves the
// cursor it was copied from where it was.
TEST(StatementsTest, CopyReadsAhead) {
  const std::string source = "\x80x : b, : ; c: d\nnext\xC3\nlast";
  const Statements all = StatementsOf(source);
  ASSERT_EQ(all, (Statements{"?x", "b,", ";; c", ";d", "next\xEF\xBF\xBD\nlast"}));
  StatementCursor cursor(source);
  std::string_view statement;
  for (size_t at = 0; at < all.size(); ++at) {
    ASSERT_TRUE(cursor.Next(&statement));
    StatementCursor ahead(cursor);
    std::string_view read_ahead;
    for (size_t next = at + 1; next < all.size(); ++next) {
      ASSERT_TRUE(ahead.Next(&read_ahead));
      EXPECT_EQ(read_ahead, all[next]) << at << " + " << next;
    }
    EXPECT_FALSE(ahead.Next(&read_ahead));
    EXPECT_EQ(statement, all[at]);
  }
  EXPECT_FALSE(cursor.Next(&statement));
}

// A line of a million statements costs as many steps, not their square.
TEST(StatementsTest, LongLineOfStatements) {
  std::string source;
  for (int i = 0; i < 1'000'000; ++i) source += "ab:";
  StatementCursor cursor(source);
  std::string_view statement;
  size_t count = 0;
  while (cursor.Next(&statement)) count += statement == "ab" ? 1 : 1000;
  EXPECT_EQ(count, 1'000'000u);
}

}  // namespace
}  // namespace vortiq
