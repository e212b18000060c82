#include "declgen/sections.h"

#include <gtest/gtest.h>

#include <iterator>

namespace vortiq {
namespace {

// Each state has rules, all of them from that state, every rule stands in its
// state, and a rule's kind is recognised in its state only once.
TEST(SectionsTest, RulesOfEachState) {
  size_t total = 0;
  for (size_t state = 0; state < kSectionStates; ++state) {
    const StateRules& rules = kStateRules[state];
    EXPECT_GT(rules.count, 0u) << state;
    total += rules.count;
    for (size_t i = 0; i < rules.count; ++i) {
      EXPECT_EQ(rules.rules[i].from, static_cast<SectionState>(state)) << state;
      for (size_t k = i + 1; k < rules.count; ++k) {
        EXPECT_NE(rules.rules[i].kind, rules.rules[k].kind) << state;
      }
    }
  }
  EXPECT_EQ(total, std::size(kSectionRules));
}

}  // namespace
}  // namespace vortiq
