// Micro-benchmarks of the stages on a generated source: statements from its
// bytes, procedure headers into declarations, and the whole header in memory.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "declgen/classify.h"
#include "declgen/convert_header.h"
#include "declgen/statements.h"
#include "support/generate.h"
#include "support/source_generator.h"

namespace vortiq {
namespace {

constexpr size_t kSourceSize = 4 << 20;

const std::string& Source(bool realistic) {
  const auto generate = [](SourceShape shape) {
    std::string text;
    GenerateSource(
        kSourceSize, 1, [&text](std::string_view part, std::string_view) { text.append(part); },
        shape);
    return text;
  };
  static const std::string sources[2] = {generate(SourceShape::kBenchmark),
                                         generate(SourceShape::kRealistic)};
  return sources[realistic ? 1 : 0];
}

void Statements(benchmark::State& state) {
  const std::string& source = Source(state.range(0) != 0);
  for (auto _ : state) {
    StatementCursor cursor(source);
    std::string_view statement;
    size_t count = 0;
    while (cursor.Next(&statement)) ++count;
    benchmark::DoNotOptimize(count);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * source.size()));
}
BENCHMARK(Statements)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Every procedure header of the source, after its keyword, as the emitter
// converts it, with the statements after it.
void ConvertHeaders(benchmark::State& state) {
  const std::string& source = Source(false);
  size_t headers = 0;
  for (auto _ : state) {
    StatementCursor cursor(source);
    std::string_view statement;
    std::string declaration;
    headers = 0;
    while (cursor.Next(&statement)) {
      if (!IsProcedureStart(statement)) continue;
      declaration.clear();
      ConvertHeader(statement.substr(ProcedureKeywordLength(statement)), cursor, &declaration);
      ++headers;
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * headers));
}
BENCHMARK(ConvertHeaders)->Unit(benchmark::kMillisecond);

void WholeHeader(benchmark::State& state) {
  const std::string& source = Source(state.range(0) != 0);
  const LocalTime clock{2026, 12, 6, 9, 41, 7};
  for (auto _ : state) benchmark::DoNotOptimize(GenerateHeader(source, "bench.pb", clock));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * source.size()));
}
BENCHMARK(WholeHeader)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vortiq

BENCHMARK_MAIN();
