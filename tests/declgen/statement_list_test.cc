#include "declgen/statement_list.h"

#include <gtest/gtest.h>

#include "base/byte_stream.h"

namespace vortiq {
namespace {

// All statements of `source`, read through a StatementList.
std::vector<std::string> StatementsOf(std::string_view source) {
  MemorySource input(source);
  SourceReader reader(&input, 7);  // a small buffer: lines cross refills
  StatementList list(&reader);
  std::vector<std::string> statements;
  std::string_view statement;
  while (list.Next(&statement)) statements.emplace_back(statement);
  return statements;
}

TEST(StatementListTest, LinesBecomeStatements) {
  struct Case {
    std::string_view line;
    std::vector<std::string> statements;
  };
  const Case cases[] = {
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
      {"a:", {"a"}},
      {"a: :b", {"a", "", "b"}},
      {"x : Module::y", {"x", "Module::y"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StatementsOf(std::string(c.line) + "\n"), c.statements) << c.line;
  }
}

TEST(StatementListTest, CommentFlagEndsWithThePhysicalLine) {
  EXPECT_EQ(StatementsOf("; a: b\nc: d\r\n"), (std::vector<std::string>{";; a", ";b", "c", "d"}));
}

TEST(StatementListTest, EmptySourceHasNoStatements) {
  EXPECT_TRUE(StatementsOf("").empty());
  EXPECT_EQ(StatementsOf("\n\n"), (std::vector<std::string>{"", ""}));
}

TEST(StatementListTest, LookAheadAndForgottenStatements) {
  MemorySource input("a\nb:c\nd\n");
  SourceReader reader(&input);
  StatementList list(&reader);
  std::string_view statement;
  ASSERT_TRUE(list.Next(&statement));
  EXPECT_EQ(statement, "a");
  ASSERT_TRUE(list.StatementAt(3, &statement));  // two lines ahead
  EXPECT_EQ(statement, "d");
  ASSERT_TRUE(list.StatementAt(1, &statement));  // still held
  EXPECT_EQ(statement, "b");
  EXPECT_FALSE(list.StatementAt(4, &statement));
  ASSERT_TRUE(list.Next(&statement));
  EXPECT_EQ(statement, "b");
  ASSERT_TRUE(list.Next(&statement));
  EXPECT_EQ(statement, "c");
  EXPECT_FALSE(list.StatementAt(1, &statement));  // before the current one: forgotten
  ASSERT_TRUE(list.StatementAt(2, &statement));
  EXPECT_EQ(statement, "c");
  ASSERT_TRUE(list.Next(&statement));
  EXPECT_EQ(statement, "d");
  EXPECT_FALSE(list.Next(&statement));
}

// Look-aheads of every length from every statement, on lines of one to four
// statements, comment pieces included, read through a buffer smaller than a line:
// every statement must come back as plain reading gives it.
TEST(StatementListTest, LookAheadsAnywhereKeepEveryStatement) {
  std::string source;
  for (int i = 0; i < 300; ++i) {
    source += std::to_string(i);
    for (int piece = 0; piece < i % 4; ++piece) source += piece == 2 ? " : ;c: d" : " : x";
    source += i % 3 == 0 ? "\r\n" : "\n";
  }
  const std::vector<std::string> all = StatementsOf(source);
  ASSERT_GT(all.size(), 600u);
  uint64_t seed = 1;
  MemorySource input(source);
  SourceReader reader(&input, 5);
  StatementList list(&reader);
  std::string_view statement;
  for (uint64_t index = 0; index < all.size(); ++index) {
    ASSERT_TRUE(list.Next(&statement));
    ASSERT_EQ(statement, all[index]) << index;
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    const uint64_t ahead = (seed >> 33) % 9;  // 0 to 8 statements
    for (uint64_t next = index + 1; next <= index + ahead && next < all.size(); ++next) {
      ASSERT_TRUE(list.StatementAt(next, &statement)) << index << " + " << next;
      ASSERT_EQ(statement, all[next]) << index << " + " << next;
    }
  }
  EXPECT_FALSE(list.Next(&statement));
}

TEST(StatementListTest, LongLookAheadKeepsOrder) {
  std::string source;
  for (int i = 0; i < 20000; ++i) source += std::to_string(i) + ",\n";
  MemorySource input(source);
  SourceReader reader(&input, 4096);
  StatementList list(&reader);
  std::string_view statement;
  ASSERT_TRUE(list.Next(&statement));
  ASSERT_TRUE(list.StatementAt(19999, &statement));  // everything held at once
  EXPECT_EQ(statement, "19999,");
  for (uint64_t i = 1; i < 20000; ++i) {
    ASSERT_TRUE(list.Next(&statement));  // forgets the earlier ones, compacting on the way
    ASSERT_EQ(statement, std::to_string(i) + ",");
    ASSERT_TRUE(list.StatementAt(i, &statement));
  }
  EXPECT_FALSE(list.Next(&statement));
}

}  // namespace
}  // namespace vortiq
