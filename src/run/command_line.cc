#include "run/command_line.h"

namespace vortiq {
namespace {

// Takes the token at the start of `*rest` (not a space) and removes it from `*rest`.
std::u16string ConsumeToken(std::u16string_view* rest) {
  std::u16string token;
  size_t i = 0;
  if ((*rest)[0] == u'"') {
    const size_t close = rest->find(u'"', 1);
    token =
        rest->substr(1, close == std::u16string_view::npos ? std::u16string_view::npos : close - 1);
    i = close == std::u16string_view::npos ? rest->size() : close + 1;
  } else {
    bool quoted = false;
    for (; i < rest->size(); ++i) {
      const char16_t c = (*rest)[i];
      if (c == u'"') {
        quoted = !quoted;
      } else if (c == u' ' && !quoted) {
        break;
      } else {
        token.push_back(c);
      }
    }
  }
  rest->remove_prefix(i);
  return token;
}

}  // namespace

std::vector<std::u16string> CommandLineParameters(std::u16string_view command_line) {
  std::vector<std::u16string> tokens;
  for (;;) {
    const size_t start = command_line.find_first_not_of(u' ');
    if (start == std::u16string_view::npos) break;
    command_line.remove_prefix(start);
    tokens.push_back(ConsumeToken(&command_line));
  }
  if (!tokens.empty()) tokens.erase(tokens.begin());  // the program's name
  return tokens;
}

}  // namespace vortiq
