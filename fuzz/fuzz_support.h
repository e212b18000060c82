// Shared by the fuzz targets: a property check that aborts, an independent UTF-8
// validator, and a generator of choices seeded by the input.
#ifndef VORTIQ_FUZZ_FUZZ_SUPPORT_H_
#define VORTIQ_FUZZ_FUZZ_SUPPORT_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "support/split_mix.h"

// Aborts with the failed property, so that libFuzzer records the input.
#define VORTIQ_FUZZ_CHECK(condition)                                                          \
  do {                                                                                        \
    if (!(condition)) {                                                                       \
      std::fprintf(stderr, "%s:%d: property violated: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                           \
    }                                                                                         \
  } while (false)

namespace vortiq::fuzz {

// True when `bytes` is well-formed UTF-8 as Unicode defines it: shortest forms
// only, no surrogates, nothing above U+10FFFF. Written apart from src/io/utf8.cc
// on purpose, from the table of well-formed byte sequences.
inline bool IsWellFormedUtf8(std::string_view bytes) {
  size_t i = 0;
  const auto at = [&](size_t k) { return static_cast<uint8_t>(bytes[k]); };
  const auto in = [](uint8_t b, uint8_t low, uint8_t high) { return b >= low && b <= high; };
  while (i < bytes.size()) {
    const uint8_t b0 = at(i);
    size_t length;
    uint8_t low = 0x80, high = 0xBF;  // range of the second byte
    if (b0 <= 0x7F) {
      ++i;
      continue;
    } else if (in(b0, 0xC2, 0xDF)) {
      length = 2;
    } else if (b0 == 0xE0) {
      length = 3, low = 0xA0;
    } else if (b0 == 0xED) {
      length = 3, high = 0x9F;
    } else if (in(b0, 0xE1, 0xEF)) {
      length = 3;
    } else if (b0 == 0xF0) {
      length = 4, low = 0x90;
    } else if (b0 == 0xF4) {
      length = 4, high = 0x8F;
    } else if (in(b0, 0xF1, 0xF3)) {
      length = 4;
    } else {
      return false;
    }
    if (i + length > bytes.size() || !in(at(i + 1), low, high)) return false;
    for (size_t k = 2; k < length; ++k) {
      if (!in(at(i + k), 0x80, 0xBF)) return false;
    }
    i += length;
  }
  return true;
}

// Choices derived from the whole input (sizes of reads, buffer sizes and the
// like), so that every mutation of the input also varies them.
class Choices {
 public:
  Choices(const uint8_t* data, size_t size) : random_(Hash(data, size)) {}
  // A number from 0 to n - 1 (n > 0).
  uint64_t Below(uint64_t n) { return random_.Next() % n; }

 private:
  static uint64_t Hash(const uint8_t* data, size_t size) {  // FNV-1a
    uint64_t hash = 0xCBF29CE484222325ULL;
    for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 0x100000001B3ULL;
    return hash;
  }
  testing::SplitMix64 random_;
};
}  // namespace vortiq::fuzz

#endif  // VORTIQ_FUZZ_FUZZ_SUPPORT_H_
