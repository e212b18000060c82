// Passing lines over (the reader's block walk, the lines found ahead on the
// reading thread, the statement list's NextMatching) must never change a
// header: every source gives the bytes of the reference generation, which hands
// every statement to the emitter.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_stream.h"
#include "io/header_writer.h"
#include "io/platform.h"
#include "io/source_reader.h"
#include "run/generate.h"
#include "support/adversarial_source.h"
#include "support/reference_header.h"
#include "support/source_generator.h"
#include "support/temp_dir.h"
#include "support/whole_sources.h"

namespace vortiq {
namespace {

constexpr LocalTime kClock{2026, 12, 7, 10, 10, 10};

// Where two texts first differ, for the failure message.
size_t FirstDifference(std::string_view a, std::string_view b) {
  return static_cast<size_t>(std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first -
                             a.begin());
}

void ExpectSameHeader(const std::string& header, const std::string& expected,
                      const std::string& what) {
  EXPECT_TRUE(header == expected) << what << ": " << header.size() << " bytes against "
                                  << expected.size() << ", first difference at byte "
                                  << FirstDifference(header, expected);
}

void ExpectSameAsReference(std::string_view source, const std::string& what) {
  ExpectSameHeader(GenerateHeader(source, "same.pb", kClock),
                   testing::ReferenceHeader(source, "same.pb", kClock), what);
}

// The header streamed from `source` in memory through a reading buffer of
// `read_buffer_size` and a writing buffer of 7 bytes.
std::string StreamedHeader(std::string_view source, size_t read_buffer_size) {
  MemorySource input(source);
  std::string header;
  StringSink sink(&header);
  HeaderWriter writer(&sink, 7);
  EXPECT_EQ(GenerateHeader(&input, PathToText("same.pb"), Date(kClock), &writer, read_buffer_size),
            Status::kOk);
  return header;
}

TEST(SkippingTest, WholeSourcesOfTheGenerationTests) {
  for (const testing::WholeSource& c : testing::kWholeSources) {
    ExpectSameAsReference(c.source, std::string(c.name));
  }
}

TEST(SkippingTest, SeedsOfTheGenerationFuzzer) {
  int seeds = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator(VORTIQ_FUZZ_CORPUS_DIR "/generate")) {
    ExpectSameAsReference(testing::ReadFile(entry.path()), entry.path().filename().string());
    ++seeds;
  }
  EXPECT_GT(seeds, 0);
}

TEST(SkippingTest, AdversarialSources) {
  for (uint64_t seed = 0; seed < 400; ++seed) {
    const size_t size = 64 + (seed * 7919) % 24000;
    ExpectSameAsReference(testing::AdversarialSource(seed, size), "seed " + std::to_string(seed));
  }
}

TEST(SkippingTest, RealisticSources) {
  for (uint64_t seed = 1; seed <= 4; ++seed) {
    std::string source;
    std::string body;
    GenerateSource(200'000, seed, &source, &body);
    ExpectSameAsReference(source, "generated, seed " + std::to_string(seed));
  }
}

// Lines cut by the reading buffer at every place, refilled while lines are
// passed over: the header is the one made with the tool's own buffer.
TEST(SkippingTest, ReadingBufferSizeChangesNothing) {
  std::vector<std::string> sources;
  for (uint64_t seed = 0; seed < 20; ++seed) {
    sources.push_back(testing::AdversarialSource(seed, 256 + seed * 97));
  }
  for (uint64_t seed = 1; seed <= 2; ++seed) {
    std::string body;
    GenerateSource(8'000, seed, &sources.emplace_back(), &body);  // CR LF line ends
  }
  for (size_t i = 0; i < sources.size(); ++i) {
    const std::string whole = GenerateHeader(sources[i], "same.pb", kClock);
    for (const size_t buffer_size : {1, 2, 3, 5, 8, 13, 64, 1000}) {
      ExpectSameHeader(StreamedHeader(sources[i], buffer_size), whole,
                       "source " + std::to_string(i) + ", buffer " + std::to_string(buffer_size));
    }
  }
}

// A long source, over many refills of the reading buffer.
TEST(SkippingTest, LongAdversarialSource) {
  const std::string source = testing::AdversarialSource(2026, 20 << 20);
  ExpectSameHeader(StreamedHeader(source, SourceReader::kDefaultBufferSize),
                   testing::ReferenceHeader(source, "same.pb", kClock), "20 MiB");
}

}  // namespace
}  // namespace vortiq
