// splitmix64: a small generator whose numbers are the same on every platform,
// for sources and choices that a test must be able to make again from a seed.
#ifndef VORTIQ_TESTS_SUPPORT_SPLIT_MIX_H_
#define VORTIQ_TESTS_SUPPORT_SPLIT_MIX_H_

#include <cstddef>
#include <cstdint>

namespace vortiq::testing {

class SplitMix64 {
 public:
  explicit SplitMix64(uint64_t seed) : state_(seed) {}

  uint64_t Next() {
    uint64_t x = (state_ += 0x9E3779B97F4A7C15ULL);
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
  }
  // A number from 0 to n - 1 (n > 0).
  size_t Below(size_t n) { return static_cast<size_t>(Next() % n); }
  bool Chance(unsigned percent) { return Below(100) < percent; }

 private:
  uint64_t state_;
};

}  // namespace vortiq::testing

#endif  // VORTIQ_TESTS_SUPPORT_SPLIT_MIX_H_
