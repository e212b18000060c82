// Fuzzes the whole generation, source bytes to header bytes. The input is the
// source; the source path and the clock are chosen from the input's hash.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "declgen/emitter.h"
#include "fuzz_support.h"
#include "io/generated_header.h"
#include "io/platform.h"
#include "support/generate.h"
#include "version.h"

namespace vortiq::fuzz {
namespace {

constexpr std::string_view kPaths[] = {
    "demo.pb",       "D:\\work\\My Demo.pb", "/home/dev/caf\xC3\xA9.sb",
    "dir/sub\\x.sb", "bad\xFF\xFE.pb",       "",
    "\"quoted\".pb", "C:\\\xED\xA0\x80.pb",
};
constexpr std::string_view kTopLevelOpening = "CompilerIf #PB_Compiler_Module = \"\"";
constexpr std::string_view kModuleOpening = "CompilerIf #PB_Compiler_Module = \"";

LocalTime ChooseClock(Choices* choices) {
  if (choices->Below(4) == 0) {  // fields that may form no date at all
    return LocalTime{
        1960 + static_cast<int>(choices->Below(8100)), static_cast<int>(choices->Below(14)),
        static_cast<int>(choices->Below(33)),          static_cast<int>(choices->Below(26)) - 1,
        static_cast<int>(choices->Below(62)) - 1,      static_cast<int>(choices->Below(62)) - 1};
  }
  return LocalTime{
      1970 + static_cast<int>(choices->Below(8030)), 1 + static_cast<int>(choices->Below(12)),
      1 + static_cast<int>(choices->Below(28)),      static_cast<int>(choices->Below(24)),
      static_cast<int>(choices->Below(60)),          static_cast<int>(choices->Below(60))};
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

// An upper bound of the statements that begin with a procedure keyword, counted
// on the raw bytes: cut at every line-end byte and at every colon (the reader
// cuts at a subset of these places), spaces trimmed, one "runtime " dropped.
// Decoding only replaces non-ASCII bytes and cuts lines short, so a statement the
// tool sees beginning with the keyword begins with it here too.
size_t CountProcedureStatements(std::string_view source) {
  const std::string lower = Lower(source);
  size_t count = 0;
  size_t start = 0;
  for (size_t i = 0; i <= lower.size(); ++i) {
    if (i < lower.size() && std::string_view(":\r\n\0", 4).find(lower[i]) == std::string::npos) {
      continue;
    }
    std::string_view piece = std::string_view(lower).substr(start, i - start);
    piece.remove_prefix(std::min(piece.size(), piece.find_first_not_of(' ')));
    if (StartsWith(piece, "runtime ")) {
      piece.remove_prefix(std::min(piece.size(), piece.find_first_not_of(' ', 8)));
    }
    count += StartsWith(piece, "procedure");
    start = i + 1;
  }
  return count;
}

// True when a lead byte may take a CR or LF as its continuation, which then
// stays inside a line of the source and so inside a line of the header.
bool MayHoldLineEndsInLines(std::string_view source) {
  for (size_t i = 0; i < source.size(); ++i) {
    if (static_cast<uint8_t>(source[i]) < 0xC0) continue;
    for (size_t k = i + 1; k <= i + 3 && k < source.size(); ++k) {
      if (source[k] == '\r' || source[k] == '\n') return true;
    }
  }
  return false;
}

std::vector<std::string_view> SplitAtCrLf(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string_view::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  lines.push_back(text.substr(start));
  return lines;
}

bool IsTimeStamp(std::string_view text) {  // "09:41:07 06.12.2026"
  constexpr std::string_view kShape = "00:00:00 00.00.0000";
  if (text.size() != kShape.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (kShape[i] == '0' ? (text[i] < '0' || text[i] > '9') : text[i] != kShape[i]) return false;
  }
  return true;
}

// The header's lines, when none of them can hold a stray line end: the prologue,
// then fences that open and close blocks strictly in turn, declarations between
// them, and no more declarations than procedure statements.
void CheckLines(std::string_view source, std::string_view header) {
  const std::vector<std::string_view> lines = SplitAtCrLf(header);
  VORTIQ_FUZZ_CHECK(lines.size() >= 5);
  VORTIQ_FUZZ_CHECK(lines[0] == std::string(";- VORTIQ V") + kVersion + " [" +
                                    std::string(kProjectAddress) + "]");
  constexpr std::string_view kGenerated = "' header, generated at ";
  VORTIQ_FUZZ_CHECK(StartsWith(lines[1], ";- '") && lines[1].size() >= 4 + kGenerated.size() + 20);
  VORTIQ_FUZZ_CHECK(lines[1].substr(lines[1].size() - 20 - kGenerated.size(), kGenerated.size()) ==
                    kGenerated);
  VORTIQ_FUZZ_CHECK(IsTimeStamp(lines[1].substr(lines[1].size() - 20, 19)));
  VORTIQ_FUZZ_CHECK(lines[1].back() == '.');
  VORTIQ_FUZZ_CHECK(lines[2].empty());
  VORTIQ_FUZZ_CHECK(lines[3] == kTopLevelOpening);

  bool open = false;
  size_t openings = 0, closings = 0, declarations = 0;
  for (size_t i = 3; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    VORTIQ_FUZZ_CHECK(line.find_first_of("\r\n") == std::string_view::npos);
    if (line == kClosingLine) {
      VORTIQ_FUZZ_CHECK(open);
      open = false;
      ++closings;
    } else if (StartsWith(line, kModuleOpening)) {
      VORTIQ_FUZZ_CHECK(!open && line.size() > kModuleOpening.size() && line.back() == '"');
      open = true;
      ++openings;
    } else {
      VORTIQ_FUZZ_CHECK(open && StartsWith(line, "Declare"));
      ++declarations;
    }
  }
  VORTIQ_FUZZ_CHECK(!open && lines.back() == kClosingLine);
  VORTIQ_FUZZ_CHECK(openings == closings);
  VORTIQ_FUZZ_CHECK(declarations <= CountProcedureStatements(source));
}

}  // namespace
}  // namespace vortiq::fuzz

// Each input is generated once by the tool and once by the plain generation,
// which passes no line over; they must give the same bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vortiq;
  using namespace vortiq::fuzz;
  const std::string_view source(reinterpret_cast<const char*>(data), size);
  Choices choices(data, size);
  const std::string_view path = kPaths[choices.Below(std::size(kPaths))];
  const LocalTime clock = ChooseClock(&choices);

  const std::string header = GenerateHeader(source, path, clock);
  VORTIQ_FUZZ_CHECK(IsWellFormedUtf8(header));
  VORTIQ_FUZZ_CHECK(header.find('\0') == std::string::npos);
  if (source.empty()) {
    VORTIQ_FUZZ_CHECK(header == kClosingLine);
  } else {
    VORTIQ_FUZZ_CHECK(header.size() > kClosingLine.size() + 2);
    VORTIQ_FUZZ_CHECK(std::string_view(header).substr(header.size() - kClosingLine.size() - 2) ==
                      "\r\n" + std::string(kClosingLine));
    if (!MayHoldLineEndsInLines(source)) CheckLines(source, header);
  }
  VORTIQ_FUZZ_CHECK(
      Joined(EmitHeader(source, PathToText(path), Date(clock), /*pass_over=*/false)) == header);
  return 0;
}
