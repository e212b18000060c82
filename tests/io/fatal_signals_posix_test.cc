#include "io/fatal_signals_posix.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace vortiq {
namespace {

using testing::TempDir;
using testing::WriteFile;

// In a child process, which the signal ends: files registered in two folders at
// once, the first folder's handle being descriptor 0 (as valid as any other),
// and one registration forgotten again.
TEST(FatalSignalsTest, SignalRemovesEveryRegisteredFileAndEndsTheProcess) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "other");
  for (const char* name : {"a", "b", "other/c", "other/kept"}) WriteFile(dir / name, "x");
  const pid_t pid = fork();
  if (pid == 0) {
    close(0);
    const int first = open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
    const int second = open((dir / "other").c_str(), O_RDONLY | O_DIRECTORY);
    if (first != 0 || second < 0) _exit(1);
    {
      const FatalSignalsHeld held;
      if (RemoveOnFatalSignal(first, "a") < 0 || RemoveOnFatalSignal(second, "c") < 0 ||
          RemoveOnFatalSignal(first, "b") < 0) {
        _exit(2);
      }
      const int kept = RemoveOnFatalSignal(second, "kept");
      if (kept < 0) _exit(3);
      ForgetRemoval(kept);
    }
    raise(SIGTERM);
    _exit(4);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << "status " << status;
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"other"});
  EXPECT_TRUE(std::filesystem::exists(dir / "other/kept"));
  EXPECT_FALSE(std::filesystem::exists(dir / "other/c"));
}

}  // namespace
}  // namespace vortiq
