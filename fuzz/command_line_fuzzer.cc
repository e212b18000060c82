// Fuzzes the Windows command-line splitter: the input, read as UTF-16 code units
// (two bytes each, low byte first), is the command line.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "run/command_line.h"

namespace vortiq::fuzz {
namespace {

// What the tokens hold together: every quote gone, and every space gone that is
// not inside a quoted stretch. A quoted token and a quoted stretch inside a token
// both run from one quote to the next, and the scan between tokens always starts
// outside one, so a single toggle over the whole line tells them all.
std::u16string KeptCharacters(std::u16string_view line) {
  std::u16string kept;
  bool quoted = false;
  for (const char16_t c : line) {
    if (c == u'"') {
      quoted = !quoted;
    } else if (c != u' ' || quoted) {
      kept.push_back(c);
    }
  }
  return kept;
}

}  // namespace
}  // namespace vortiq::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vortiq;
  using namespace vortiq::fuzz;
  std::u16string line(size / 2, u'\0');
  std::memcpy(line.data(), data, line.size() * 2);

  const std::vector<std::u16string> parameters = CommandLineParameters(line);
  // With a program name of our own in front, every token of the line is a parameter.
  const std::vector<std::u16string> tokens = CommandLineParameters(u"vortiq.exe " + line);
  if (tokens.empty()) {
    VORTIQ_FUZZ_CHECK(parameters.empty());
  } else {
    VORTIQ_FUZZ_CHECK(std::vector<std::u16string>(tokens.begin() + 1, tokens.end()) == parameters);
  }

  std::u16string joined;
  for (const std::u16string& token : tokens) {
    VORTIQ_FUZZ_CHECK(token.find(u'"') == std::u16string::npos);
    joined += token;
  }
  VORTIQ_FUZZ_CHECK(joined == KeptCharacters(line));

  // Quoting each parameter gives it back unchanged, whatever it holds.
  std::u16string quoted = u"vortiq.exe";
  for (const std::u16string& parameter : parameters) quoted += u" \"" + parameter + u"\"";
  VORTIQ_FUZZ_CHECK(CommandLineParameters(quoted) == parameters);
  // So does writing them bare, one space apart, when none is empty or holds a space.
  std::u16string bare = u"vortiq.exe";
  bool plain = true;
  for (const std::u16string& parameter : parameters) {
    plain = plain && !parameter.empty() && parameter.find(u' ') == std::u16string::npos;
    bare += u" " + parameter;
  }
  if (plain) VORTIQ_FUZZ_CHECK(CommandLineParameters(bare) == parameters);
  return 0;
}
