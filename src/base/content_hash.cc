#include "base/content_hash.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace vortiq {
namespace {

constexpr uint64_t kMultiplier = 0x9FB21C651E98DF25;

uint64_t Load64(const char* bytes) {
  uint64_t word;
  std::memcpy(&word, bytes, sizeof word);
  return word;
}

uint64_t Mix(uint64_t value) {
  value ^= value >> 32;
  value *= kMultiplier;
  value ^= value >> 29;
  return value;
}

}  // namespace

void ContentHash::TakeStripe(const char* bytes) {
  for (int lane = 0; lane < 4; ++lane) {
    lanes_[lane] =
        std::rotl(lanes_[lane] + Load64(bytes + 8 * lane) * kMultiplier, 31) * 0x9E3779B97F4A7C15;
  }
}

void ContentHash::Update(std::string_view bytes) {
  length_ += bytes.size();
  if (pending_size_ > 0) {
    const size_t taken = std::min(bytes.size(), kStripe - pending_size_);
    std::memcpy(pending_ + pending_size_, bytes.data(), taken);
    pending_size_ += taken;
    bytes.remove_prefix(taken);
    if (pending_size_ < kStripe) return;
    TakeStripe(pending_);
    pending_size_ = 0;
  }
  for (; bytes.size() >= kStripe; bytes.remove_prefix(kStripe)) TakeStripe(bytes.data());
  std::memcpy(pending_, bytes.data(), bytes.size());
  pending_size_ = bytes.size();
}

uint64_t ContentHash::Digest() const {
  uint64_t hash = length_ * kMultiplier;
  for (const uint64_t lane : lanes_) hash = Mix(hash ^ Mix(lane));
  char last[kStripe] = {};
  std::memcpy(last, pending_, pending_size_);
  for (size_t at = 0; at < kStripe; at += 8) hash = Mix(hash ^ Load64(last + at));
  return hash;
}

}  // namespace vortiq
