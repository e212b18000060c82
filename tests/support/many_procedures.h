// A long source for end-to-end tests, with the header it must give.
#ifndef VORTIQ_TESTS_SUPPORT_MANY_PROCEDURES_H_
#define VORTIQ_TESTS_SUPPORT_MANY_PROCEDURES_H_

#include <string>

namespace vortiq::testing {

struct Sample {
  std::string source;
  std::string header_body;  // the header after its prologue
};

// `count` procedures of about 50 bytes of source and 25 bytes of header each.
inline Sample ManyProcedures(int count) {
  Sample sample;
  for (int i = 0; i < count; ++i) {
    const std::string name = std::to_string(i);
    sample.source.append("Procedure P").append(name).append("(a.l, *b.Point)\r\n");
    sample.source.append("  x = 1\r\nEndProcedure\r\n");
    sample.header_body.append("Declare P").append(name).append("(a.l, *b)\r\n");
  }
  sample.header_body += "CompilerEndIf";
  return sample;
}

}  // namespace vortiq::testing

#endif  // VORTIQ_TESTS_SUPPORT_MANY_PROCEDURES_H_
