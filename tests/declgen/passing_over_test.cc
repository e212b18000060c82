// Passing lines over must never change a header: every source gives the bytes
// of the plain generation, which hands every statement to EmitStatement, and
// the walk with vectors stops where the plain walk does.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>

#include "declgen/emitter.h"
#include "declgen/sections.h"
#include "support/adversarial_source.h"
#include "support/generate.h"
#include "support/source_generator.h"
#include "support/temp_dir.h"
#include "support/whole_sources.h"

namespace vortiq {
namespace {

void ExpectSameAsPlain(std::string_view source, const std::string& what) {
  const std::string header = Joined(EmitHeader(source, "same.pb", 0));
  const std::string plain = Joined(EmitHeader(source, "same.pb", 0, /*pass_over=*/false));
  const auto differ = std::mismatch(header.begin(), header.end(), plain.begin(), plain.end());
  EXPECT_TRUE(header == plain) << what << ": " << header.size() << " bytes against " << plain.size()
                               << ", first difference at byte " << differ.first - header.begin();
}

TEST(PassingOverTest, ChangesNoHeader) {
  for (const testing::WholeSource& c : testing::kWholeSources) {
    ExpectSameAsPlain(c.source, std::string(c.name));
  }
  int seeds = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator(VORTIQ_FUZZ_CORPUS_DIR "/generate")) {
    ExpectSameAsPlain(testing::ReadFile(entry.path()), entry.path().filename().string());
    ++seeds;
  }
  EXPECT_GT(seeds, 0);
  for (uint64_t seed = 0; seed < 400; ++seed) {
    const size_t size = 64 + (seed * 7919) % 24000;
    ExpectSameAsPlain(testing::AdversarialSource(seed, size), "seed " + std::to_string(seed));
  }
  for (uint64_t seed = 1; seed <= 4; ++seed) {
    std::string source;
    std::string body;
    GenerateSource(200'000, seed, &source, &body);
    ExpectSameAsPlain(source, "generated, seed " + std::to_string(seed));
  }
  ExpectSameAsPlain(testing::AdversarialSource(2026, 8 << 20), "8 MiB");
}

// From every place of texts made to hit them at every place of a vector, with
// the keywords of every state.
TEST(PassingOverTest, VectorsStopWhereThePlainWalkDoes) {
  for (uint64_t seed = 0; seed < 12; ++seed) {
    const std::string text = testing::AdversarialSource(seed, 700);
    for (const KeywordStarts& keywords : kKeywordsThatMatter) {
      for (size_t at = 0; at <= text.size(); ++at) {
        ASSERT_EQ(FindWhereMayMatter(text, at, keywords),
                  FindWhereMayMatter(text, at, keywords, /*vectors=*/false))
            << "seed " << seed << ", from " << at;
      }
    }
  }
}

}  // namespace
}  // namespace vortiq
