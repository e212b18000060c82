// Writes a generated PureBasic source of a given size, for benchmarks:
//
//   vortiq_generate_source [--realistic] SIZE SOURCE [EXPECTED [SEED]]
//   vortiq_generate_source --adversarial SIZE SOURCE [SEED]
//
// SIZE is a byte count, or a count followed by K, M or G (KiB, MiB, GiB). The same
// size and seed always give the same bytes. EXPECTED, when given, receives the
// header vortiq must write for SOURCE from its fifth line on (everything after the
// prologue, which holds the file name and the time). With --adversarial the
// source is one made to trip the fast paths (tests/support/adversarial_source.h),
// for comparing the headers of two builds. With --realistic it is shaped as real
// code is rather than header-heavy (SourceShape::kRealistic).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "support/adversarial_source.h"
#include "support/source_generator.h"

namespace {

constexpr uint64_t kDefaultSeed = 20261206;

// Parses "123", "16M" and the like; false when it is not a size.
bool ParseSize(std::string_view text, size_t* size) {
  char* end = nullptr;
  const std::string digits(text);
  const unsigned long long value = std::strtoull(digits.c_str(), &end, 10);
  if (end == digits.c_str()) return false;
  const std::string_view unit(end);
  unsigned shift = 0;
  if (unit == "K") {
    shift = 10;
  } else if (unit == "M") {
    shift = 20;
  } else if (unit == "G") {
    shift = 30;
  } else if (!unit.empty()) {
    return false;
  }
  *size = static_cast<size_t>(value << shift);
  return true;
}

bool WriteAll(std::FILE* file, std::string_view bytes) {
  return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

}  // namespace

int WriteAdversarial(int argc, char** argv) {
  size_t size = 0;
  if (argc < 4 || argc > 5 || !ParseSize(argv[2], &size)) {
    std::fprintf(stderr, "usage: %s --adversarial SIZE[K|M|G] SOURCE [SEED]\n", argv[0]);
    return 2;
  }
  const uint64_t seed = argc > 4 ? std::strtoull(argv[4], nullptr, 10) : kDefaultSeed;
  std::FILE* source = std::fopen(argv[3], "wb");
  if (source == nullptr || !WriteAll(source, vortiq::testing::AdversarialSource(seed, size)) ||
      std::fclose(source) != 0) {
    std::perror("vortiq_generate_source");
    return 1;
  }
  return 0;
}

int main(int argc, char** argv) {
  if (argc > 1 && std::string_view(argv[1]) == "--adversarial") return WriteAdversarial(argc, argv);
  vortiq::SourceShape shape = vortiq::SourceShape::kBenchmark;
  if (argc > 1 && std::string_view(argv[1]) == "--realistic") {
    shape = vortiq::SourceShape::kRealistic;
    --argc;
    ++argv;
  }
  size_t size = 0;
  if (argc < 3 || argc > 5 || !ParseSize(argv[1], &size)) {
    std::fprintf(stderr, "usage: %s [--realistic] SIZE[K|M|G] SOURCE [EXPECTED [SEED]]\n", argv[0]);
    return 2;
  }
  const uint64_t seed = argc > 4 ? std::strtoull(argv[4], nullptr, 10) : kDefaultSeed;
  std::FILE* source = std::fopen(argv[2], "wb");
  std::FILE* expected = argc > 3 ? std::fopen(argv[3], "wb") : nullptr;
  if (source == nullptr || (argc > 3 && expected == nullptr)) {
    std::perror("vortiq_generate_source");
    return 1;
  }
  bool ok = true;
  std::string source_part;  // written in blocks of about a MiB
  std::string body_part;
  const auto flush = [&] {
    ok = ok && WriteAll(source, source_part);
    if (expected != nullptr) ok = ok && WriteAll(expected, body_part);
    source_part.clear();
    body_part.clear();
  };
  vortiq::GenerateSource(
      size, seed,
      [&](std::string_view source_text, std::string_view body_text) {
        source_part.append(source_text);
        body_part.append(body_text);
        if (source_part.size() >= (1u << 20)) flush();
      },
      shape);
  body_part.append("CompilerEndIf");
  flush();
  ok = std::fclose(source) == 0 && ok;
  if (expected != nullptr) ok = std::fclose(expected) == 0 && ok;
  if (!ok) {
    std::perror("vortiq_generate_source");
    return 1;
  }
  return 0;
}
