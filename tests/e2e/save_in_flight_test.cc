// A source saved over and over by another process while runs read it, with
// two busy processes beside them, so that the writer is often taken off the
// processor in the middle of a write: no run may give a header of two
// versions. Runs alone (label stress), as it takes the machine, for about a
// minute and a half.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "posix_features.h"
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

// Starts a child process that runs `work` until it is killed.
template <typename Work>
pid_t StartProcess(Work work) {
  const pid_t pid = fork();
  if (pid == 0) {
    work();
    _exit(0);
  }
  return pid;
}

TEST(SaveInFlightTest, NoHeaderOfTwoVersions) {
  if (!VORTIQ_HAVE_F_SETLEASE) GTEST_SKIP() << "the plain POSIX layer cannot ask";
  TempDir dir;
  // 40,000 procedures, 1.4 MB, named A... in one version and B... in the other.
  std::string sources[2];
  std::string headers[2];
  for (int v = 0; v < 2; ++v) {
    for (int i = 100000; i < 140000; ++i) {
      const std::string name = "AB"[v] + std::to_string(i);
      sources[v] += "Procedure " + name + "(x.l)\nEndProcedure\n";
      headers[v] += "Declare " + name + "(x.l)\r\n";
    }
    headers[v] = Prologue("s.pb") + headers[v] + "CompilerEndIf";
  }
  const std::string source = dir / "s.pb";
  testing::WriteFile(source, sources[0]);
  // Each save one write of the whole text at offset 0, back to back: most
  // runs find the writer at work whenever they ask, wait the two seconds out
  // and fail, as two readings then differ. (Without asking, half of the runs
  // here gave a header of both versions.)
  const pid_t writer = StartProcess([&] {
    for (int v = 1;; v ^= 1) {
      const int fd = open(source.c_str(), O_WRONLY | O_CLOEXEC);
      if (pwrite(fd, sources[v].data(), sources[v].size(), 0) < 0) _exit(1);
      close(fd);
    }
  });
  std::vector<pid_t> busy;
  for (int i = 0; i < 2; ++i) {
    busy.push_back(StartProcess([] {
      volatile unsigned spin = 0;
      for (;;) spin = spin + 1;
    }));
  }
  int headers_given = 0;
  for (int run = 0; run < 60; ++run) {
    const RunResult result = RunVortiq({source});
    if (result.exit_status == 0) {
      const std::string header = WithFixedTime(ReadFile(dir / "s.pbi"));
      EXPECT_TRUE(header == headers[0] || header == headers[1]) << "run " << run;
      ++headers_given;
    } else {
      EXPECT_EQ(result.exit_status, 1) << "run " << run;
    }
  }
  for (const pid_t pid : busy) kill(pid, SIGKILL);
  kill(writer, SIGKILL);
  for (const pid_t pid : busy) waitpid(pid, nullptr, 0);
  waitpid(writer, nullptr, 0);
  std::cout << "[          ] " << headers_given << " of 60 runs gave a header\n";
}

}  // namespace
}  // namespace vortiq
