#include "run/statement_list.h"

#include <gtest/gtest.h>

#include "io/byte_stream.h"

namespace vortiq {
namespace {

// All statements of `source`, read through a StatementList.
std::vector<std::string> StatementsOf(std::string_view source) {
  MemorySource input(source);
  SourceReader reader(&input, 7);  // a small buffer: lines cross refills
  StatementList list(&reader);
  std::vector<std::string> statements;
  std::string_view statement;
  for (uint64_t i = 0; list.StatementAt(i, &statement); ++i) {
    statements.emplace_back(statement);
    list.DropBefore(i + 1);
  }
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
  EXPECT_EQ(StatementsOf("; a: b\nc: d\r\n"),
            (std::vector<std::string>{";; a", ";b", "c", "d"}));
}

TEST(StatementListTest, EmptySourceHasNoStatements) {
  EXPECT_TRUE(StatementsOf("").empty());
  EXPECT_EQ(StatementsOf("\n\n"), (std::vector<std::string>{"", ""}));
}

TEST(StatementListTest, LookAheadAndDroppedStatements) {
  MemorySource input("a\nb:c\nd\n");
  SourceReader reader(&input);
  StatementList list(&reader);
  std::string_view statement;
  ASSERT_TRUE(list.StatementAt(3, &statement));
  EXPECT_EQ(statement, "d");
  ASSERT_TRUE(list.StatementAt(1, &statement));  // still kept
  EXPECT_EQ(statement, "b");
  EXPECT_FALSE(list.StatementAt(4, &statement));
  list.DropBefore(2);
  EXPECT_FALSE(list.StatementAt(1, &statement));
  ASSERT_TRUE(list.StatementAt(2, &statement));
  EXPECT_EQ(statement, "c");
}

TEST(StatementListTest, LongLookAheadKeepsOrder) {
  std::string source;
  for (int i = 0; i < 20000; ++i) source += std::to_string(i) + ",\n";
  MemorySource input(source);
  SourceReader reader(&input, 4096);
  StatementList list(&reader);
  std::string_view statement;
  ASSERT_TRUE(list.StatementAt(19999, &statement));  // everything held at once
  for (uint64_t i = 0; i < 20000; ++i) {
    ASSERT_TRUE(list.StatementAt(i, &statement));
    ASSERT_EQ(statement, std::to_string(i) + ",");
    list.DropBefore(i + 1);  // compacts along the way
  }
  EXPECT_FALSE(list.StatementAt(20000, &statement));
}

}  // namespace
}  // namespace vortiq
