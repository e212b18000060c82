// End-to-end tests of the built program: real files in temporary directories,
// exact header bytes, exit statuses, and what is left on disk after failures.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace vortiq {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

constexpr uid_t kNobody = 65534;

struct RunOptions {
  rlim_t file_size_limit = RLIM_INFINITY;
  bool as_nobody = false;  // drop root's privileges, so permissions apply
};

struct RunResult {
  int exit_status = -1;
  std::string output;  // standard output and standard error together
};

RunResult RunVortiq(const std::vector<std::string>& parameters, RunOptions options = {}) {
  int pipe_fds[2];
  EXPECT_EQ(pipe(pipe_fds), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(pipe_fds[1], 1);
    dup2(pipe_fds[1], 2);
    close(pipe_fds[0]);
    close(pipe_fds[1]);
    if (options.file_size_limit != RLIM_INFINITY) {
      const rlimit limit{options.file_size_limit, options.file_size_limit};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (options.as_nobody && geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
      _exit(125);
    }
    std::vector<char*> argv{const_cast<char*>(VORTIQ_EXECUTABLE)};
    for (const std::string& parameter : parameters) argv.push_back(const_cast<char*>(parameter.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(126);
  }
  close(pipe_fds[1]);
  RunResult result;
  char buffer[256];
  for (ssize_t got; (got = read(pipe_fds[0], buffer, sizeof buffer)) > 0;) {
    result.output.append(buffer, static_cast<size_t>(got));
  }
  close(pipe_fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

// The header with its time stamp, "hh:ii:ss dd.mm.yyyy", replaced by a fixed one.
std::string WithFixedTime(std::string header) {
  constexpr std::string_view kBefore = "' header, generated at ";
  const size_t at = header.find(kBefore);
  if (at != std::string::npos && header.size() >= at + kBefore.size() + 19) {
    header.replace(at + kBefore.size(), 19, "09:41:07 06.12.2026");
  }
  return header;
}

std::string Prologue(std::string_view file_part) {
  return ";- VORTIQ V5.72 [https://vortiq.org]\r\n;- '" + std::string(file_part) +
         "' header, generated at 09:41:07 06.12.2026.\r\n\r\nCompilerIf #PB_Compiler_Module = \"\"\r\n";
}

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

// A failed run: exit status 1, no output, the old header byte for byte, and no
// temporary file left beside it.
void ExpectFailedRun(const TempDir& dir, const std::vector<std::string>& parameters,
                     RunOptions options, const std::string& header, const std::string& old) {
  const std::vector<std::string> before = dir.Entries();
  const RunResult result = RunVortiq(parameters, options);
  EXPECT_EQ(result.exit_status, 1) << parameters.front();
  EXPECT_EQ(result.output, "");
  if (!old.empty()) {
    EXPECT_EQ(ReadFile(header), old);
  }
  EXPECT_EQ(dir.Entries(), before);
}

TEST(VortiqTest, FailuresLoseNothing) {
  TempDir dir;
  // A missing source, and one that is a directory.
  ExpectFailedRun(dir, {dir / "missing.pb"}, {}, dir / "missing.pbi", "");
  std::filesystem::create_directory(dir.path() / "folder.pb");
  ExpectFailedRun(dir, {dir / "folder.pb"}, {}, dir / "folder.pbi", "");
  // A read-only existing header, and a header path that is a directory.
  WriteFile(dir / "ro.pb", "Procedure A()\n");
  WriteFile(dir / "ro.pbi", "old header");
  chmod((dir / "ro.pbi").c_str(), 0444);
  ExpectFailedRun(dir, {dir / "ro.pb"}, {}, dir / "ro.pbi", "old header");
  WriteFile(dir / "d.pb", "Procedure A()\n");
  std::filesystem::create_directory(dir.path() / "d.pbi");
  ExpectFailedRun(dir, {dir / "d.pb"}, {}, dir / "d.pbi", "");
}

TEST(VortiqTest, PermissionFailuresLoseNothing) {
  TempDir dir;
  chmod(dir.path().c_str(), 0755);  // reachable when running as nobody
  // An unreadable source.
  WriteFile(dir / "secret.pb", "Procedure A()\n");
  chmod((dir / "secret.pb").c_str(), 0);
  ExpectFailedRun(dir, {dir / "secret.pb"}, {.as_nobody = true}, dir / "secret.pbi", "");
  // A header directory that may not be written, with an old header in it.
  std::filesystem::create_directory(dir.path() / "locked");
  WriteFile(dir / "locked/a.pb", "Procedure A()\n");
  WriteFile(dir / "locked/a.pbi", "old header");
  chmod((dir / "locked/a.pbi").c_str(), 0666);
  chmod((dir / "locked").c_str(), 0555);
  const RunResult result = RunVortiq({dir / "locked/a.pb"}, {.as_nobody = true});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(ReadFile(dir / "locked/a.pbi"), "old header");
  const auto entries = std::distance(std::filesystem::directory_iterator(dir.path() / "locked"),
                                     std::filesystem::directory_iterator());
  EXPECT_EQ(entries, 2);
}

TEST(VortiqTest, WriteFailureKeepsTheOldHeader) {
  TempDir dir;
  std::string source;
  for (int i = 0; i < 20000; ++i) source += "Procedure P" + std::to_string(i) + "(a.l, *b.Point)\nEndProcedure\n";
  WriteFile(dir / "big.pb", source);
  const std::string old = "old header\r\n";
  WriteFile(dir / "big.pbi", old);
  // The header needs about 480 KB; the limit stops it at 64 KiB.
  ExpectFailedRun(dir, {dir / "big.pb"}, {.file_size_limit = 65536}, dir / "big.pbi", old);
  EXPECT_EQ(RunVortiq({dir / "big.pb"}).exit_status, 0);
  EXPECT_GT(ReadFile(dir / "big.pbi").size(), 400000u);
}

}  // namespace
}  // namespace vortiq
