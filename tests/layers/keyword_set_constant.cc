// Compiled by the tests, never linked: a constant set of keywords for the
// quick prefix test, which must fail to compile when it does not fit.
#include "declgen/keyword_prefixes.h"

#if defined(VORTIQ_KEYWORD_SET_fits)
constexpr vortiq::KeywordPrefixes kKeywords = {"procedure",    "module ",   "macro ",   "runtime ",
                                               "endprocedure", "endmodule", "endmacro", "else"};
#else
// Nine keywords: one more than the set holds.
constexpr vortiq::KeywordPrefixes kKeywords = {"procedure", "module ",      "macro ",
                                               "runtime ",  "endprocedure", "endmodule",
                                               "endmacro",  "else",         "for "};
#endif

static_assert(kKeywords.may_skip());
