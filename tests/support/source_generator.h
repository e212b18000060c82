// A deterministic generator of PureBasic sources that look like real programs,
// for benchmarks and for tests on large inputs. Alongside the source it builds
// the header body that vortiq must write for it (declarations and module
// fences), worked out from what it generated rather than by running the tool.
//
// The source has CR LF line ends and is made of units that each start and end at
// top level: procedures of the four kinds (return types, pointer, List, Array,
// Map and default-value parameters, headers continued over several lines,
// trailing comments), modules with their DeclareModule part, macros (some with a
// procedure inside), structures, globals, imports and comment blocks. Bodies hold
// "If a : b : EndIf" lines, comments with colons, strings with colons and
// non-ASCII text, and are indented with spaces or, now and then, tabs.
#ifndef VORTIQ_TESTS_SUPPORT_SOURCE_GENERATOR_H_
#define VORTIQ_TESTS_SUPPORT_SOURCE_GENERATOR_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "support/split_mix.h"

namespace vortiq {

// What the generated code looks like. kBenchmark: header-heavy, one
// declaration per 23 lines, CR LF throughout. kRealistic: shaped as a large
// body of real PureBasic code from many authors is, one declaration per about
// 60 lines, a fifth of them blank, few colons, most lines ending in LF.
enum class SourceShape { kBenchmark, kRealistic };

class SourceGenerator {
 public:
  explicit SourceGenerator(uint64_t seed, SourceShape shape = SourceShape::kBenchmark)
      : random_(seed), realistic_(shape == SourceShape::kRealistic) {}

  // Appends the next unit to `*source` and the header lines it yields to `*body`.
  void AppendUnit(std::string* source, std::string* body);

  // Appends exactly `size` bytes of comment lines (and a final blank), which
  // yield nothing in the header.
  static void AppendFiller(size_t size, std::string* source);

  // Declaration lines generated so far.
  [[nodiscard]] uint64_t declarations() const { return declarations_; }

 private:
  // The text of one parameter in the source and in the declaration.
  struct Parameter {
    std::string source;
    std::string declaration;
  };

  void AppendUnitOfKind(std::string* source, std::string* body);
  uint64_t Next();
  size_t Below(size_t n) { return static_cast<size_t>(Next() % n); }
  bool Chance(unsigned percent) { return Below(100) < percent; }
  template <size_t N>
  std::string_view Pick(const std::string_view (&words)[N]) {
    return words[Below(N)];
  }

  std::string Identifier();
  Parameter MakeParameter();
  void AppendProcedure(int indent, bool declared, std::string* source, std::string* body);
  void AppendBody(int level, bool tabs, std::string* source);
  std::string SimpleStatement();
  void AppendBlock(int level, bool tabs, std::string* source);
  void AppendModule(std::string* source, std::string* body);
  void AppendMacro(int indent, std::string* source);
  void AppendDeclarations(std::string* source);
  void AppendComments(std::string* source);

  testing::SplitMix64 random_;  // the same numbers on every platform
  bool realistic_;
  uint64_t declarations_ = 0;
};

// Generates a source of exactly `size` bytes from `seed` unit by unit, calling
// `emit(source_part, body_part)` for consecutive parts of the source and of the
// header lines between the prologue and the closing line.
void GenerateSource(size_t size, uint64_t seed,
                    const std::function<void(std::string_view, std::string_view)>& emit,
                    SourceShape shape = SourceShape::kBenchmark);

// Replaces `*source` by a whole source of exactly `size` bytes made from `seed`,
// and `*body` by the header lines between the prologue and the closing line.
void GenerateSource(size_t size, uint64_t seed, std::string* source, std::string* body);

}  // namespace vortiq

#endif  // VORTIQ_TESTS_SUPPORT_SOURCE_GENERATOR_H_
