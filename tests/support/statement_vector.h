// The statements after a procedure header, given as a vector, for ConvertHeader.
#ifndef VORTIQ_TESTS_SUPPORT_STATEMENT_VECTOR_H_
#define VORTIQ_TESTS_SUPPORT_STATEMENT_VECTOR_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "declgen/convert_header.h"

namespace vortiq {

// following[0] is the statement right after the header, which is at index 0.
class StatementVector final : public StatementLookahead {
 public:
  explicit StatementVector(const std::vector<std::string>& following) : following_(following) {}
  bool StatementAt(uint64_t index, std::string_view* statement) override {
    if (index == 0 || index > following_.size()) return false;
    *statement = following_[index - 1];
    return true;
  }

 private:
  const std::vector<std::string>& following_;
};

// The declaration ConvertHeader makes of `header` and the statements after it.
inline std::string Converted(std::string_view header,
                             const std::vector<std::string>& following = {}) {
  StatementVector lookahead(following);
  std::string declaration;
  ConvertHeader(header, 0, &lookahead, &declaration);
  return declaration;
}

}  // namespace vortiq

#endif  // VORTIQ_TESTS_SUPPORT_STATEMENT_VECTOR_H_
