#include "declgen/sections.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

namespace vortiq {
namespace {

// Each state has rules, and a kind moves it by one rule at most; the keywords
// that matter in a state begin every statement that a rule of it takes, and
// "runtime ", and nothing else.
TEST(SectionsTest, RulesAndTheKeywordsThatMatter) {
  const auto start_of = [](std::string_view keyword) { return std::string(keyword.substr(0, 4)); };
  for (size_t state = 0; state < kSectionStates; ++state) {
    std::set<std::string> starts{start_of(kRuntimeKeyword)};
    std::set<StatementKind> kinds;
    for (const SectionRule& rule : kSectionRules) {
      if (rule.from != static_cast<SectionState>(state)) continue;
      EXPECT_TRUE(kinds.insert(rule.kind).second) << state;
      starts.insert(start_of(kKindTests[static_cast<size_t>(rule.kind)].keyword));
    }
    EXPECT_FALSE(kinds.empty()) << state;
    const KeywordStarts& keywords = kKeywordsThatMatter[state];
    std::set<std::string> derived;
    for (size_t k = 0; k < keywords.count; ++k) {
      derived.emplace(keywords.starts[k].data(), KeywordStarts::kLength);
    }
    EXPECT_EQ(derived, starts) << state;
  }
}

}  // namespace
}  // namespace vortiq
