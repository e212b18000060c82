// Turning a procedure header into the text of its declaration.
#ifndef VORTIQ_DECLGEN_CONVERT_HEADER_H_
#define VORTIQ_DECLGEN_CONVERT_HEADER_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace vortiq {

// Read access to the statements that follow a procedure header.
class StatementLookahead {
 public:
  // Sets `*statement` to the statement at `index` (0-based in the whole source)
  // and returns true, or returns false when the source ends before it. The view
  // stays valid until the next call.
  virtual bool StatementAt(uint64_t index, std::string_view* statement) = 0;

 protected:
  ~StatementLookahead() = default;
};

// Scans one statement of a declaration and appends its text to `*out`: the part
// up to the first '(' unchanged, then the parameter list with pointer types cut,
// collection element types kept only when basic (lower-cased), up to a ';' outside
// a string. `continuing` says that the statement continues a parameter list, so
// it starts inside it. Returns whether the statement's last character examined is
// ',', i.e. whether the next statement continues the list.
bool ScanDeclarationStatement(std::string_view statement, bool continuing, std::string* out);

// Appends the declaration for `header`, the statement at `position` with its
// keyword already replaced ("Declare.i Add(a.i, b.i)"), to `*out`. The text
// before the parameter list is copied as it is, so `header` may also be the
// part after the keyword, which the caller has put in `*out` itself. While the text
// scanned last ends with ',', the statements at position + 1, + 2, ... are scanned
// in turn and joined without separator. The chain ends at the last statement of
// the source. Runs in a loop, so chains of any length use no stack.
void ConvertHeader(std::string_view header, uint64_t position, StatementLookahead* following,
                   std::string* out);

}  // namespace vortiq

#endif  // VORTIQ_DECLGEN_CONVERT_HEADER_H_
