// Micro-benchmarks of the hot paths on a generated source: reading and decoding
// lines, passing over body lines, cutting lines into statements, converting
// procedure headers, and the whole generation of a header in memory.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "base/byte_stream.h"
#include "declgen/classify.h"
#include "declgen/convert_header.h"
#include "declgen/line_skip.h"
#include "declgen/split_line.h"
#include "declgen/statement_list.h"
#include "io/source_reader.h"
#include "run/generate.h"
#include "support/source_generator.h"
#include "support/statement_vector.h"

namespace vortiq {
namespace {

constexpr size_t kSourceSize = 4 << 20;

const std::string& Source() {
  static const std::string source = [] {
    std::string text;
    std::string body;
    GenerateSource(kSourceSize, 1, &text, &body);
    return text;
  }();
  return source;
}

std::vector<std::string> Lines() {
  MemorySource input(Source());
  SourceReader reader(&input);
  std::vector<std::string> lines;
  while (!reader.Eof()) lines.emplace_back(reader.ReadString());
  return lines;
}

void ReadLines(benchmark::State& state) {
  for (auto _ : state) {
    MemorySource input(Source());
    SourceReader reader(&input);
    size_t lines = 0;
    while (!reader.Eof()) {
      benchmark::DoNotOptimize(reader.ReadString());
      ++lines;
    }
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Source().size()));
}
BENCHMARK(ReadLines)->Unit(benchmark::kMillisecond);

// Reading as in a procedure body: lines that cannot end it are passed over.
void SkipBodyLines(benchmark::State& state) {
  for (auto _ : state) {
    MemorySource input(Source());
    SourceReader reader(&input);
    size_t lines = 0;
    const KeywordPrefixes keywords = {"endprocedure", "runtime "};
    for (;;) {
      if (reader.Eof()) break;
      const std::string_view unread = reader.Unread();
      reader.Skip(SkipPlainLines(unread.data(), unread.size(), 0, keywords));
      benchmark::DoNotOptimize(reader.ReadString());
      ++lines;
    }
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Source().size()));
}
BENCHMARK(SkipBodyLines)->Unit(benchmark::kMillisecond);

void SplitLines(benchmark::State& state) {
  const std::vector<std::string> lines = Lines();
  std::vector<std::string_view> pieces;
  for (auto _ : state) {
    size_t count = 0;
    for (const std::string& line : lines) count += SplitLine(line, &pieces);
    benchmark::DoNotOptimize(count);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Source().size()));
}
BENCHMARK(SplitLines)->Unit(benchmark::kMillisecond);

// Reading, splitting and the statement list together, as emission walks it.
void WalkStatements(benchmark::State& state) {
  for (auto _ : state) {
    MemorySource input(Source());
    SourceReader reader(&input);
    StatementList statements(&reader);
    std::string_view statement;
    uint64_t count = 0;
    while (statements.Next(&statement)) {
      benchmark::DoNotOptimize(statement);
      ++count;
    }
    benchmark::DoNotOptimize(count);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Source().size()));
}
BENCHMARK(WalkStatements)->Unit(benchmark::kMillisecond);

// Every procedure header of the source, after its keyword as the emitter
// converts it, with the three statements after it.
struct Header {
  std::string text;
  std::vector<std::string> following;
};

std::vector<Header> Headers() {
  MemorySource input(Source());
  SourceReader reader(&input);
  StatementList statements(&reader);
  std::vector<Header> headers;
  std::string_view statement;
  for (uint64_t index = 0; statements.Next(&statement); ++index) {
    if (!IsProcedureStart(statement)) continue;
    Header header{std::string(statement.substr(ProcedureKeywordLength(statement))), {}};
    for (uint64_t next = index + 1; next <= index + 3; ++next) {
      if (statements.StatementAt(next, &statement)) header.following.emplace_back(statement);
    }
    headers.push_back(std::move(header));
  }
  return headers;
}

void ConvertHeaders(benchmark::State& state) {
  const std::vector<Header> headers = Headers();
  for (auto _ : state) {
    for (const Header& header : headers) {
      benchmark::DoNotOptimize(Converted(header.text, header.following));
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * headers.size()));
}
BENCHMARK(ConvertHeaders)->Unit(benchmark::kMillisecond);

void GenerateWholeHeader(benchmark::State& state) {
  const LocalTime clock{2026, 12, 6, 9, 41, 7};
  for (auto _ : state) {
    benchmark::DoNotOptimize(GenerateHeader(Source(), "bench.pb", clock));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Source().size()));
}
BENCHMARK(GenerateWholeHeader)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vortiq

BENCHMARK_MAIN();
