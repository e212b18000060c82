#include "io/temporary_name.h"

#include <gtest/gtest.h>

namespace vortiq {
namespace {

TEST(TemporaryNameTest, FitsWhereTheHeaderFits) {
  const std::string name = TemporaryName("demo.pbi", 42);
  EXPECT_EQ(name.substr(0, 10), ".demo.pbi.");
  EXPECT_EQ(name.size(), 22u);
  EXPECT_EQ(name.substr(18), ".tmp");
  EXPECT_NE(TemporaryName("demo.pbi", 43), name);
  // Long names are cut between characters: "é" is two bytes.
  for (const std::string& header : {std::string(255, 'x'), std::string(241, 'x'),
                                    std::string(240, 'x') + "\xC3\xA9" + std::string(13, 'x'),
                                    // Bytes no character begins with, up to the cut: all go.
                                    std::string(251, '\x80') + ".pbi"}) {
    const std::string temporary = TemporaryName(header, 7);
    EXPECT_LE(temporary.size(), kMaxFileNameLength) << header.size();
    EXPECT_EQ(temporary.find('\xC3'), std::string::npos) << "cut inside a character";
  }
}

}  // namespace
}  // namespace vortiq
