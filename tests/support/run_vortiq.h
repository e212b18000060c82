// Running the built program in end-to-end tests (POSIX): a child process with
// its output captured, optionally under a file-size limit, as an unprivileged
// user or on a terminal of its own.
#ifndef VORTIQ_TESTS_SUPPORT_RUN_VORTIQ_H_
#define VORTIQ_TESTS_SUPPORT_RUN_VORTIQ_H_

#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <string_view>
#include <vector>

#include "support/header_text.h"

namespace vortiq::testing {

inline constexpr uid_t kNobody = 65534;

struct RunOptions {
  rlim_t file_size_limit = RLIM_INFINITY;
  rlim_t address_space_limit = RLIM_INFINITY;  // in bytes, so that memory runs out
  bool as_nobody = false;                      // drop root's privileges, so permissions apply
  int niceness = 0;  // added to the run's nice value, so that the test's own threads go first
  // A terminal device: the run gets a session of its own with it as its
  // controlling terminal (and standard input), as the program a terminal
  // window or a remote login was started with does.
  std::string terminal = {};
  bool traced = false;  // traced from its start, for StopAfterReadAt
};

struct RunResult {
  int exit_status = -1;  // 128 + the signal for a run ended by a signal
  std::string output;    // standard output and standard error together
};

// A run that has been started and not yet waited for.
struct StartedRun {
  pid_t pid = -1;
  int output_fd = -1;  // read end of the pipe holding the run's output
};

inline StartedRun StartVortiq(const std::vector<std::string>& parameters, RunOptions options = {}) {
  int pipe_fds[2];
  EXPECT_EQ(pipe2(pipe_fds, O_CLOEXEC), 0);  // so that runs started later do not hold it
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(pipe_fds[1], 1);
    dup2(pipe_fds[1], 2);
    close(pipe_fds[0]);
    close(pipe_fds[1]);
    const rlimit no_core{0, 0};  // runs ended by SIGQUIT and the like leave no core file
    setrlimit(RLIMIT_CORE, &no_core);
    if (options.file_size_limit != RLIM_INFINITY) {
      const rlimit limit{options.file_size_limit, options.file_size_limit};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (options.address_space_limit != RLIM_INFINITY) {
      const rlimit limit{options.address_space_limit, options.address_space_limit};
      setrlimit(RLIMIT_AS, &limit);
    }
    if (options.niceness != 0 && nice(options.niceness) == -1 && errno != 0) _exit(124);
    if (options.as_nobody && geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
      _exit(125);
    }
    if (!options.terminal.empty()) {
      const int terminal = setsid() < 0 ? -1 : open(options.terminal.c_str(), O_RDWR);
      if (terminal < 0 || ioctl(terminal, TIOCSCTTY, 0) != 0 || dup2(terminal, 0) != 0) _exit(127);
      if (terminal != 0) close(terminal);
    }
    if (options.traced && ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) _exit(123);
    std::vector<char*> argv{const_cast<char*>(VORTIQ_EXECUTABLE)};
    for (const std::string& parameter : parameters) {
      argv.push_back(const_cast<char*>(parameter.c_str()));
    }
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(126);
  }
  close(pipe_fds[1]);
  if (options.traced) {  // it stops at its start
    int status = 0;
    EXPECT_EQ(waitpid(pid, &status, 0), pid);
    ptrace(PTRACE_SETOPTIONS, pid, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL);
  }
  return {pid, pipe_fds[0]};
}

// Collects the output of a started run and waits for its end.
inline RunResult FinishVortiq(StartedRun run) {
  RunResult result;
  char buffer[256];
  for (ssize_t got; (got = read(run.output_fd, buffer, sizeof buffer)) > 0;) {
    result.output.append(buffer, static_cast<size_t>(got));
  }
  close(run.output_fd);
  int status = 0;
  waitpid(run.pid, &status, 0);
  result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

// True once the run has ended; it is still to be waited for with FinishVortiq.
inline bool HasEnded(const StartedRun& run) {
  siginfo_t info{};
  return waitid(P_PID, static_cast<id_t>(run.pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
         info.si_pid == run.pid;
}

// For a run started with `traced`: lets it go on until it returns from its
// next read (pread64) at `offset`, and leaves it stopped there (Release lets
// it go on). False when it ended first.
inline bool StopAfterReadAt(const StartedRun& run, uint64_t offset) {
  int status = 0;
  bool in_read = false;
  int signal = 0;  // one for the run, to be passed on
  for (;;) {
    if (ptrace(PTRACE_SYSCALL, run.pid, nullptr, signal) != 0) return false;
    if (waitpid(run.pid, &status, 0) != run.pid || !WIFSTOPPED(status)) return false;
    signal = WSTOPSIG(status) == (SIGTRAP | 0x80) ? 0 : WSTOPSIG(status);
    if (signal != 0) continue;
    __ptrace_syscall_info info{};
    if (ptrace(PTRACE_GET_SYSCALL_INFO, run.pid, sizeof info, &info) <= 0) return false;
    if (info.op == PTRACE_SYSCALL_INFO_ENTRY) {
      in_read = info.entry.nr == SYS_pread64 && info.entry.args[3] == offset;
    } else if (info.op == PTRACE_SYSCALL_INFO_EXIT && in_read) {
      return true;
    }
  }
}

// Lets a run stopped by StopAfterReadAt go on, no longer traced.
inline void Release(const StartedRun& run) { ptrace(PTRACE_DETACH, run.pid, nullptr, 0); }

inline RunResult RunVortiq(const std::vector<std::string>& parameters, RunOptions options = {}) {
  return FinishVortiq(StartVortiq(parameters, options));
}

}  // namespace vortiq::testing

#endif  // VORTIQ_TESTS_SUPPORT_RUN_VORTIQ_H_
