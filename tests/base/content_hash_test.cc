#include "base/content_hash.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace vortiq {
namespace {

uint64_t DigestInPieces(std::string_view bytes, size_t piece) {
  ContentHash hash;
  for (size_t at = 0; at < bytes.size(); at += piece) hash.Update(bytes.substr(at, piece));
  return hash.Digest();
}

TEST(ContentHashTest, HowTheBytesAreCutDoesNotMatter) {
  std::mt19937 random(1);
  std::string bytes(1000, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  const uint64_t whole = DigestInPieces(bytes, bytes.size());
  for (const size_t piece : {1, 7, 31, 32, 33, 64, 999}) {
    SCOPED_TRACE(piece);
    EXPECT_EQ(DigestInPieces(bytes, piece), whole);
  }
  ContentHash hash;
  hash.Update(bytes);
  EXPECT_EQ(hash.length(), 1000u);
}

TEST(ContentHashTest, EveryByteAndTheLengthCount) {
  const std::string text(100, 'a');
  const uint64_t original = DigestInPieces(text, 10);
  for (size_t at = 0; at < text.size(); ++at) {
    std::string changed = text;
    changed[at] = 'b';
    EXPECT_NE(DigestInPieces(changed, 10), original) << at;
  }
  // Zero bytes at the end, whether they complete a stripe or not.
  EXPECT_NE(DigestInPieces(std::string(1, '\0'), 1), DigestInPieces("", 1));
  EXPECT_NE(DigestInPieces(std::string(32, '\0'), 1), DigestInPieces(std::string(31, '\0'), 1));
  EXPECT_NE(DigestInPieces(std::string(64, '\0'), 1), DigestInPieces(std::string(32, '\0'), 1));
}

}  // namespace
}  // namespace vortiq
