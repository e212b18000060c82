// End-to-end tests of the built program: real files in temporary directories,
// exact header bytes and exit statuses. Failures are in fault_injection_test.cc.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/run_vortiq.h"
#include "support/temp_dir.h"

namespace vortiq {
namespace {

using testing::Prologue;
using testing::ReadFile;
using testing::RunResult;
using testing::RunVortiq;
using testing::TempDir;
using testing::WithFixedTime;
using testing::WriteFile;

TEST(VortiqTest, WorkedExampleByteForByte) {
  TempDir dir;
  WriteFile(dir / "demo.pb", ReadFile(VORTIQ_EXAMPLES_DIR "/demo.pb"));
  const RunResult result = RunVortiq({dir / "demo.pb"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.output, "");
  EXPECT_EQ(WithFixedTime(ReadFile(dir / "demo.pbi")),
            Prologue("demo.pb") +
                "Declare.i Add(a.i, b.i)\r\n"
                "CompilerEndIf\r\nCompilerIf #PB_Compiler_Module = \"Shapes\"\r\n"
                "Declare Draw()\r\n"
                "CompilerEndIf\r\nCompilerIf #PB_Compiler_Module = \"\"\r\n"
                "CompilerEndIf");
}

TEST(VortiqTest, NothingToDo) {
  TempDir dir;
  WriteFile(dir / "a.PB", "Procedure A()\n");
  WriteFile(dir / "a.txt", "Procedure A()\n");
  WriteFile(dir / "a.pb", "Procedure A()\n");
  const std::vector<std::vector<std::string>> runs = {
      {}, {dir / "a.PB"}, {dir / "a.txt"}, {dir / "a.pb", "-v"}, {dir / "missing"}};
  for (const auto& parameters : runs) {
    const RunResult result = RunVortiq(parameters);
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.output, "");
  }
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"a.PB", "a.pb", "a.txt"}));
}

TEST(VortiqTest, ParametersJoinWithOneSpaceAndLoseQuotes) {
  TempDir dir;
  WriteFile(dir / "my file.sb", "Procedure A()\n");
  const std::string directory = dir.path().string();
  EXPECT_EQ(RunVortiq({directory + "/my", "file.sb"}).exit_status, 0);
  EXPECT_EQ(WithFixedTime(ReadFile(dir / "my file.sbi")),
            Prologue("my file.sb") + "Declare A()\r\nCompilerEndIf");
  std::filesystem::remove(dir / "my file.sbi");
  EXPECT_EQ(RunVortiq({"\"" + directory + "/my file.sb\""}).exit_status, 0);
  EXPECT_TRUE(std::filesystem::exists(dir / "my file.sbi"));
}

TEST(VortiqTest, EmptySourceAndNonUtf8Name) {
  TempDir dir;
  WriteFile(dir / "empty.pb", "");
  EXPECT_EQ(RunVortiq({dir / "empty.pb"}).exit_status, 0);
  EXPECT_EQ(ReadFile(dir / "empty.pbi"), "CompilerEndIf");
  WriteFile(dir / "caf\xE9.pb", "\n");
  EXPECT_EQ(RunVortiq({dir / "caf\xE9.pb"}).exit_status, 0);
  EXPECT_EQ(WithFixedTime(ReadFile(dir / "caf\xE9.pbi")),
            Prologue("caf\xEF\xBF\xBD.pb") + "CompilerEndIf");
}

// A file at the header path is replaced only when it is empty, the header of
// an empty source, or holds the comment line of a generated header near its
// start; any other file (a hand-written include beside its source) is kept and
// the run fails without a word.
TEST(VortiqTest, OnlyGeneratedHeadersAreReplaced) {
  const std::string old(testing::kOldHeader);
  const auto with_ends = [&old](std::string_view end) {
    std::string text;
    for (const char c : old) {
      if (c != '\n') text += c == '\r' ? std::string(end) : std::string(1, c);
    }
    return text;
  };
  const std::string filler = std::string(4094, ';') + "\n";  // the next line begins at 4095
  struct Case {
    std::string name, old_header;
    bool replaced;
    bool unreadable = false;
  };
  const Case cases[] = {
      {"empty", "", true},
      {"header of an empty source", "CompilerEndIf", true},
      {"generated, CR LF", old, true},
      {"generated, LF", with_ends("\n"), true},
      {"generated, lone CR", with_ends("\r"), true},
      {"merge conflict above the marker", "<<<<<<< HEAD\n" + old + "\n=======\n" + old, true},
      {"marker line begins at byte 4095", filler + old.substr(old.find(";- '")), true},
      {"marker line begins at byte 4096", ";" + filler + old.substr(old.find(";- '")), false},
      {"hand-written include", "Procedure Mine()\nEndProcedure\n", false},
      {"closing line with a line end", "CompilerEndIf\r\n", false},
      {"comment line without the time", ";- 'x.pb' header\r\n", false},
      {"marker inside a line", "x ;- 'x.pb' header, generated at 1\r\n", false},
      {"marker over two lines", ";- 'x.pb'\n header, generated at 1\r\n", false},
      {"generated but unreadable", old, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.unreadable && geteuid() != 0) continue;  // needs another user, whom root can become
    TempDir dir;
    WriteFile(dir / "x.pb", "Procedure Demo()\nEndProcedure\n");
    WriteFile(dir / "x.pbi", c.old_header);
    testing::RunOptions options;
    if (c.unreadable) {
      for (const std::string& path : {dir.path().string(), dir / "x.pb", dir / "x.pbi"}) {
        ASSERT_EQ(chown(path.c_str(), testing::kNobody, testing::kNobody), 0);
      }
      ASSERT_EQ(chmod((dir / "x.pbi").c_str(), 0200), 0);
      options.as_nobody = true;
    }
    const RunResult result = RunVortiq({dir / "x.pb"}, options);
    EXPECT_EQ(result.exit_status, c.replaced ? 0 : 1);
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"x.pb", "x.pbi"}));
    const std::string header = ReadFile(dir / "x.pbi");
    if (c.replaced) {
      EXPECT_EQ(WithFixedTime(header), Prologue("x.pb") + "Declare Demo()\r\nCompilerEndIf");
    } else {
      EXPECT_EQ(header, c.old_header);
    }
  }
}

// The time stamp of `now` in the zone of TZ, as the header's second line shows it.
std::string StampAt(time_t now) {
  tm fields{};
  localtime_r(&now, &fields);
  char text[64];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d %02d.%02d.%04d", fields.tm_hour, fields.tm_min,
                fields.tm_sec, fields.tm_mday, fields.tm_mon + 1, fields.tm_year + 1900);
  return text;
}

// The program reads the zone from TZ, given as a rule or as the name of a zone
// file, whichever way it is linked.
TEST(VortiqTest, TimeStampInTheLocalZone) {
  TempDir dir;
  WriteFile(dir / "t.pb", "\n");
  const char* const saved = getenv("TZ");
  const std::string saved_zone = saved == nullptr ? "" : saved;
  for (const char* zone : {"UTC0", "<+0930>-9:30", "Asia/Tokyo", "America/St_Johns"}) {
    setenv("TZ", zone, 1);
    tzset();
    const time_t before = time(nullptr);
    ASSERT_EQ(RunVortiq({dir / "t.pb"}).exit_status, 0) << zone;
    const time_t after = time(nullptr);
    const std::string header = ReadFile(dir / "t.pbi");
    const size_t at = header.find("generated at ");
    ASSERT_NE(at, std::string::npos) << zone;
    const std::string stamp = header.substr(at + 13, 19);
    EXPECT_TRUE(stamp == StampAt(before) || stamp == StampAt(after))
        << zone << ": " << stamp << ", expected " << StampAt(before);
  }
  if (saved == nullptr) {
    unsetenv("TZ");
  } else {
    setenv("TZ", saved_zone.c_str(), 1);
  }
  tzset();
}

// A POSIX file name may hold line ends and other control characters; in the
// comment line each becomes U+FFFD, so the header keeps its lines.
TEST(VortiqTest, ControlCharactersInTheFileName) {
  struct Case {
    std::string name, shown;
  };
  const Case cases[] = {
      {"i\nMessageRequester(Pwned)\n;.pb", "i\xEF\xBF\xBDMessageRequester(Pwned)\xEF\xBF\xBD;.pb"},
      {"c\r.pb", "c\xEF\xBF\xBD.pb"},
      {"t\t.pb", "t\xEF\xBF\xBD.pb"},
      {"e\x1B[2J.pb", "e\xEF\xBF\xBD[2J.pb"},
      {"d\x7F.pb", "d\xEF\xBF\xBD.pb"},
      {"n\xC2\x85.pb", "n\xEF\xBF\xBD.pb"},                      // U+0085 NEXT LINE
      {"c\xC2\x80\xC2\x9F.pb", "c\xEF\xBF\xBD\xEF\xBF\xBD.pb"},  // the ends of C1
      {"l\xE2\x80\xA8p\xE2\x80\xA9.pb", "l\xEF\xBF\xBDp\xEF\xBF\xBD.pb"},
      {"k\xC2\xA0\xE2\x80\xA7.pb", "k\xC2\xA0\xE2\x80\xA7.pb"},  // their neighbours stay
  };
  for (const Case& c : cases) {
    TempDir dir;
    WriteFile(dir / c.name, "Procedure A()\n");
    EXPECT_EQ(RunVortiq({dir / c.name}).exit_status, 0);
    EXPECT_EQ(WithFixedTime(ReadFile(dir / (c.name + "i"))),
              Prologue(c.shown) + "Declare A()\r\nCompilerEndIf");
  }
}

}  // namespace
}  // namespace vortiq
