#include "io/temporary_name.h"

namespace vortiq {

std::string TemporaryName(std::string_view header_name, uint64_t entropy) {
  constexpr size_t kDecoration = 14;  // ".", ".", 8 characters, ".tmp"
  if (header_name.size() > kMaxFileNameLength - kDecoration) {
    size_t cut = kMaxFileNameLength - kDecoration;
    while (cut > 0 && (static_cast<unsigned char>(header_name[cut]) & 0xC0) == 0x80) --cut;
    header_name = header_name.substr(0, cut);
  }
  // splitmix64 finalizer: neighbouring inputs give unrelated names.
  uint64_t x = entropy;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
  x ^= x >> 31;
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string name = ".";
  name += header_name;
  name += '.';
  for (int i = 0; i < 8; ++i, x /= 36) name.push_back(kDigits[x % 36]);
  name += ".tmp";
  return name;
}

}  // namespace vortiq
