// The built program in hostile or unlucky surroundings: links planted in shared
// folders, signals that end a run, sources that change while they are read,
// paths near the length limit. Whatever happens, a run leaves the old header or
// a complete new one, and no temporary file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/many_procedures.h"
#include "support/run_vortiq.h"
#include "support/snapshot.h"
#include "support/temp_dir.h"

namespace vortiq {
namespace {

using testing::FinishVortiq;
using testing::IsTemporaryFileOf;
using testing::kNobody;
using testing::ManyProcedures;
using testing::Prologue;
using testing::ReadFile;
using testing::RunOptions;
using testing::RunResult;
using testing::RunVortiq;
using testing::Sample;
using testing::Snapshot;
using testing::StartedRun;
using testing::StartVortiq;
using testing::TempDir;
using testing::WithFixedTime;
using testing::WriteFile;

namespace fs = std::filesystem;
using std::chrono::microseconds;

// How long a run on `source` takes here, so that events can fall all over one.
microseconds RunTime(const std::string& source) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunVortiq({source}).exit_status, 0);
  return std::chrono::duration_cast<microseconds>(std::chrono::steady_clock::now() - start);
}

TEST(SurroundingsTest, LinksPlantedInSharedFolders) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root, to plant links as another user";
  const uid_t kOther = kNobody;
  struct Case {
    const char* name;
    mode_t folder_mode;
    uid_t folder_owner;
    uid_t link_owner;
    bool target_exists;
    bool followed;
  };
  const Case cases[] = {
      {"another user's link in a sticky shared folder", 01777, 0, kOther, true, false},
      {"another user's dangling link there", 01777, 0, kOther, false, false},
      {"the caller's own link there", 01777, 0, 0, true, true},
      {"the caller's own dangling link there", 01777, 0, 0, false, true},
      {"a link of the folder's owner", 01777, kOther, kOther, true, true},
      {"another user's link in a shared folder that is not sticky", 0777, 0, kOther, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string shared = dir / "shared";
    fs::create_directory(shared);
    ASSERT_EQ(chown(shared.c_str(), c.folder_owner, c.folder_owner), 0);
    ASSERT_EQ(chmod(shared.c_str(), c.folder_mode), 0);
    WriteFile(dir / "shared/x.pb", "Procedure A()\n");
    if (c.target_exists) {
      WriteFile(dir / "victim.txt", "SECRET\n");
      ASSERT_EQ(chmod((dir / "victim.txt").c_str(), 0600), 0);
    }
    ASSERT_EQ(symlink((dir / "victim.txt").c_str(), (dir / "shared/x.pbi").c_str()), 0);
    ASSERT_EQ(lchown((dir / "shared/x.pbi").c_str(), c.link_owner, c.link_owner), 0);
    const auto before = Snapshot(dir.path());

    const RunResult result = RunVortiq({dir / "shared/x.pb"});
    EXPECT_EQ(result.output, "");
    if (c.followed) {
      EXPECT_EQ(result.exit_status, 0);
      EXPECT_TRUE(fs::is_symlink(dir / "shared/x.pbi"));
      EXPECT_EQ(WithFixedTime(ReadFile(dir / "victim.txt")),
                Prologue("x.pb") + "Declare A()\r\nCompilerEndIf");
    } else {
      EXPECT_EQ(result.exit_status, 1);
      EXPECT_EQ(Snapshot(dir.path()), before);
    }
  }
}

// The signals that end a process unless it handles them, as kill, timeout, a
// terminal or a job scheduler send them; the faults too, which kill can send
// as well (the handler must not take them for a fault of the run's own).
constexpr int kEndingSignals[] = {SIGTERM, SIGINT,    SIGHUP,  SIGQUIT, SIGALRM, SIGUSR1, SIGUSR2,
                                  SIGPIPE, SIGVTALRM, SIGXCPU, SIGSEGV, SIGBUS,  SIGILL,  SIGFPE};

// Waits up to ten seconds for the temporary file of `header_name` to appear.
bool AwaitTemporaryFile(const TempDir& dir, const std::string& header_name) {
  for (int wait = 0; wait < 10000; ++wait) {
    const std::vector<std::string> entries = dir.Entries();
    if (std::any_of(entries.begin(), entries.end(), [&](const std::string& entry) {
          return IsTemporaryFileOf(entry, header_name);
        })) {
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

// Starts a run on a source that is a pipe: the run reads part of it, writes its
// temporary file and waits for the rest. Then `end_run` is called, and the
// pipe is closed, so that a run still alive reads to the end. Expects the run
// ended by `signal`, the old header and no other file left.
void ExpectEndedWhileWaitingForASlowSource(int signal, const std::function<void(pid_t)>& end_run,
                                           const RunOptions& options = {}) {
  TempDir dir;
  ASSERT_EQ(mkfifo((dir / "slow.pb").c_str(), 0600), 0);
  WriteFile(dir / "slow.pbi", "old header\r\n");
  const int writer = open((dir / "slow.pb").c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(writer, 0);
  ASSERT_EQ(write(writer, "Procedure A()\n", 14), 14);
  const StartedRun run = StartVortiq({dir / "slow.pb"}, options);
  EXPECT_TRUE(AwaitTemporaryFile(dir, "slow.pbi"));
  end_run(run.pid);
  // The signal is on its way before the end of the source is: it arrives first.
  close(writer);
  const RunResult result = FinishVortiq(run);
  EXPECT_EQ(result.exit_status, 128 + signal);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"slow.pb", "slow.pbi"}));
  EXPECT_EQ(ReadFile(dir / "slow.pbi"), "old header\r\n");
}

TEST(SurroundingsTest, SignalWhileWaitingForASlowSource) {
  // Built with AddressSanitizer, a run would restore the sanitizer's handler of
  // faults, which reports them and exits with 1: the runs leave them to the system.
  const char* const sanitizer = getenv("ASAN_OPTIONS");
  const std::string saved = sanitizer == nullptr ? "" : sanitizer;
  const std::string faults = "handle_segv=0:handle_sigbus=0:handle_sigfpe=0:handle_sigill=0";
  setenv("ASAN_OPTIONS", (saved.empty() ? faults : saved + ":" + faults).c_str(), 1);
  // qemu-user, which runs the ARM64 build here, at times dies by SIGSEGV of
  // its own when a fault signal sent by kill is raised again: the faults are
  // left to native runs.
  const bool emulated = getenv("QEMU_LD_PREFIX") != nullptr;
  for (const int signal : kEndingSignals) {
    if (emulated && (signal == SIGSEGV || signal == SIGBUS || signal == SIGILL || signal == SIGFPE)) {
      continue;
    }
    SCOPED_TRACE(strsignal(signal));
    ExpectEndedWhileWaitingForASlowSource(signal, [signal](pid_t pid) { kill(pid, signal); });
  }
  sanitizer == nullptr ? unsetenv("ASAN_OPTIONS") : setenv("ASAN_OPTIONS", saved.c_str(), 1);
}

// The terminal that a run was started on as its program goes away (the window
// closed, the connection lost): the kernel sends SIGHUP, marked as its own as
// a fault is, and the run ends by it as by any other signal.
TEST(SurroundingsTest, TerminalClosedWhileWaitingForASlowSource) {
  const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(terminal, 0);
  ASSERT_EQ(fcntl(terminal, F_SETFD, FD_CLOEXEC), 0);  // runs started later do not hold it
  ASSERT_EQ(grantpt(terminal), 0);
  ASSERT_EQ(unlockpt(terminal), 0);
  const char* const name = ptsname(terminal);
  ASSERT_NE(name, nullptr);
  ExpectEndedWhileWaitingForASlowSource(SIGHUP, [terminal](pid_t) { close(terminal); },
                                        {.terminal = name});
}

TEST(SurroundingsTest, SignalsAtRandomMomentsOfALongRun) {
  TempDir dir;
  const Sample sample = ManyProcedures(300000);  // 15 MB of source, 7 MB of header
  WriteFile(dir / "k.pb", sample.source);
  const std::string old = "old header\r\n";
  const std::string expected = Prologue("k.pb") + sample.header_body;
  const microseconds run_time = RunTime(dir / "k.pb");

  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  std::uniform_int_distribution<int64_t> delay(0, run_time.count() * 5 / 4);
  for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGALRM, SIGUSR1}) {
    for (int round = 0; round < 4; ++round) {
      SCOPED_TRACE(std::string(strsignal(signal)) + ", round " + std::to_string(round));
      WriteFile(dir / "k.pbi", old);
      const StartedRun run = StartVortiq({dir / "k.pb"});
      std::this_thread::sleep_for(microseconds(delay(random)));
      kill(run.pid, signal);
      const RunResult result = FinishVortiq(run);
      const std::string header = ReadFile(dir / "k.pbi");
      if (result.exit_status == 0) {  // it had ended before the signal came
        EXPECT_TRUE(WithFixedTime(header) == expected);
      } else {
        // Ended by the signal, before its header took the old one's place or
        // (on a busy machine) after, on its way out.
        EXPECT_EQ(result.exit_status, 128 + signal);
        EXPECT_TRUE(header == old || WithFixedTime(header) == expected);
      }
      EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"k.pb", "k.pbi"}));
    }
  }
}

// Waits up to ten seconds until the temporary file of `header_name` holds at
// least `size` bytes or the run has ended; true in the first case.
bool AwaitTemporaryFileOfSize(const TempDir& dir, const std::string& header_name, uintmax_t size,
                              const StartedRun& run) {
  for (int wait = 0; wait < 100000 && !testing::HasEnded(run); ++wait) {
    for (const std::string& entry : dir.Entries()) {
      std::error_code error;
      if (IsTemporaryFileOf(entry, header_name) && fs::file_size(dir / entry, error) >= size) {
        return true;
      }
    }
    std::this_thread::sleep_for(microseconds(100));
  }
  return false;
}

// A source cut short while a run reads it, after the run has read past the
// cut: the run reads it again and writes the header of what is left.
TEST(SurroundingsTest, SourceTruncatedWhileReadIsReadAgain) {
  TempDir dir;
  const Sample whole = ManyProcedures(400000);
  const Sample part = ManyProcedures(1000);  // its source begins the whole one
  const std::string source = dir / "t.pb";
  int held = 0;
  for (int round = 0; round < 4; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    WriteFile(source, whole.source);
    WriteFile(dir / "t.pbi", "old header\r\n");
    const StartedRun run = StartVortiq({source});
    // Once the run has written more header than the part gives, it is held
    // still while the source is cut, so that it sees the change complete (the
    // kernel does not change the size and the modification time in one step).
    const bool past_the_cut =
        AwaitTemporaryFileOfSize(dir, "t.pbi", 2 * part.header_body.size(), run);
    ASSERT_EQ(kill(run.pid, SIGSTOP), 0);
    siginfo_t info{};
    ASSERT_EQ(waitid(P_PID, static_cast<id_t>(run.pid), &info, WSTOPPED | WEXITED | WNOWAIT), 0);
    if (past_the_cut && info.si_code == CLD_STOPPED) {
      ++held;
      ASSERT_EQ(truncate(source.c_str(), static_cast<off_t>(part.source.size())), 0);
    }
    ASSERT_EQ(kill(run.pid, SIGCONT), 0);
    const RunResult result = FinishVortiq(run);
    EXPECT_EQ(result.exit_status, 0);
    const std::string header = WithFixedTime(ReadFile(dir / "t.pbi"));
    // The whole header only where the run had not read far enough to be held.
    const Sample& expected = past_the_cut && info.si_code == CLD_STOPPED ? part : whole;
    EXPECT_TRUE(header == Prologue("t.pb") + expected.header_body) << header.size() << " bytes";
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"t.pb", "t.pbi"}));
  }
  EXPECT_GT(held, 0) << "no run was caught while it read";
}

// The same at random moments, unheld: a run that sees the source change twice
// (or the kernel's cut in two steps) fails and keeps the old header; never is
// the header that of the part read before the cut.
TEST(SurroundingsTest, SourceTruncatedAtRandomMomentsNeverGivesAPartialHeader) {
  TempDir dir;
  const Sample whole = ManyProcedures(200000);
  const Sample part = ManyProcedures(20000);
  const std::string source = dir / "t.pb";
  WriteFile(source, whole.source);
  const microseconds run_time = RunTime(source);

  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  std::uniform_int_distribution<int64_t> delay(0, run_time.count());
  for (int round = 0; round < 8; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    WriteFile(source, whole.source);
    WriteFile(dir / "t.pbi", "old header\r\n");
    const StartedRun run = StartVortiq({source});
    std::this_thread::sleep_for(microseconds(delay(random)));
    ASSERT_EQ(truncate(source.c_str(), static_cast<off_t>(part.source.size())), 0);
    const RunResult result = FinishVortiq(run);
    const std::string header = WithFixedTime(ReadFile(dir / "t.pbi"));
    if (result.exit_status == 0) {
      EXPECT_TRUE(header == Prologue("t.pb") + whole.header_body ||
                  header == Prologue("t.pb") + part.header_body)
          << header.size() << " bytes";
    } else {
      EXPECT_EQ(result.exit_status, 1);
      EXPECT_EQ(header, "old header\r\n");
    }
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"t.pb", "t.pbi"}));
  }
}

TEST(SurroundingsTest, SourceThatKeepsChangingKeepsTheOldHeader) {
  TempDir dir;
  const std::string source = dir / "grow.pb";
  WriteFile(source, ManyProcedures(200000).source);
  WriteFile(dir / "grow.pbi", "old header\r\n");
  std::atomic<bool> done = false;
  std::thread appender([&] {
    const int fd = open(source.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    while (!done) {
      if (write(fd, "\n", 1) != 1) break;
    }
    close(fd);
  });
  // The run yields to the appender, which so changes the source during both readings.
  const RunResult result = RunVortiq({source}, {.niceness = 10});
  done = true;
  appender.join();
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.output, "");
  EXPECT_EQ(ReadFile(dir / "grow.pbi"), "old header\r\n");
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"grow.pb", "grow.pbi"}));
}

TEST(SurroundingsTest, SourcePathOf4090Bytes) {
  TempDir dir;
  constexpr size_t kLength = 4090;  // the header's path, a byte longer, still fits PATH_MAX
  const std::string name = "/a.pb";
  std::string folder = dir.path().string();
  while (folder.size() + name.size() < kLength) {
    // Components of at most 200 bytes; never leave room for only a lone '/'.
    size_t component = std::min<size_t>(kLength - name.size() - folder.size() - 1, 200);
    if (kLength - name.size() - folder.size() - 1 - component == 1) --component;
    folder.push_back('/');
    folder.append(component, 'd');
    ASSERT_TRUE(fs::create_directory(folder));
  }
  const std::string source = folder + name;
  ASSERT_EQ(source.size(), kLength);
  WriteFile(source, "Procedure A()\n");
  const RunResult result = RunVortiq({source});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(WithFixedTime(ReadFile(source + "i")),
            Prologue("a.pb") + "Declare A()\r\nCompilerEndIf");
}

}  // namespace
}  // namespace vortiq
