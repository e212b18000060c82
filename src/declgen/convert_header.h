// Turning a procedure header into the text of its declaration.
#ifndef VORTIQ_DECLGEN_CONVERT_HEADER_H_
#define VORTIQ_DECLGEN_CONVERT_HEADER_H_

#include <string>
#include <string_view>

#include "declgen/statements.h"

namespace vortiq {

// Scans one statement of a declaration and appends its text to `*out`: the part
// up to the first '(' unchanged, then the parameter list with pointer types cut,
// collection element types kept only when basic (lower-cased), up to a ';' outside
// a string. `continuing` says that the statement continues a parameter list, so
// it starts inside it. Returns whether the statement's last character examined is
// ',', i.e. whether the next statement continues the list.
bool ScanDeclarationStatement(std::string_view statement, bool continuing, std::string* out);

// Appends the declaration for `header`, a procedure header with its keyword
// already replaced ("Declare.i Add(a.i, b.i)"), to `*out`. The text before the
// parameter list is copied as it is, so `header` may also be the part after the
// keyword, which the caller has put in `*out` itself. While the text scanned
// last ends with ',', the statements that `following` gives (a copy of the
// cursor that gave the header) are scanned in turn and joined without
// separator; the chain ends at the last statement of the source.
void ConvertHeader(std::string_view header, StatementCursor following, std::string* out);

}  // namespace vortiq

#endif  // VORTIQ_DECLGEN_CONVERT_HEADER_H_
