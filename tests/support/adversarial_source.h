// Sources made to trip the fast paths of the reading and the emission: the
// keywords of every state and their near misses in any letter case, after runs
// of spaces that cross the reader's 64-byte blocks, behind colons and "::",
// tabs, comments, continued headers, every kind of line end, and zero bytes,
// stray bytes and UTF-8 lead bytes right before line ends. Not PureBasic that
// compiles: only what the tool must treat exactly as the plain rules say.
#ifndef VORTIQ_TESTS_SUPPORT_ADVERSARIAL_SOURCE_H_
#define VORTIQ_TESTS_SUPPORT_ADVERSARIAL_SOURCE_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace vortiq::testing {

// A source of about `size` bytes (at least that many), the same for the same
// seed.
[[nodiscard]] std::string AdversarialSource(uint64_t seed, size_t size);

}  // namespace vortiq::testing

#endif  // VORTIQ_TESTS_SUPPORT_ADVERSARIAL_SOURCE_H_
