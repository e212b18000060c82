// The built program in hostile or unlucky surroundings: links planted in shared
// folders, signals that end a run, sources that change while they are read,
// paths near the length limit. Whatever happens, a run leaves the old header or
// a complete new one, and no temporary file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "posix_features.h"
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
      {"another user's link in a shared folder that is not sticky", 0777, 0, kOther, true, false},
      {"another user's link in a folder a group shares", 0770, 0, kOther, true, false},
      {"another user's link in a folder nobody else may write", 0755, 0, kOther, true, true},
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
      testing::WriteOldHeader(dir / "victim.txt");
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

// The header would be the very file the run reads, or is another user's file
// in a sticky shared folder, or is reached through another user's link in the
// folder part of its path or of a link's path: nothing changes.
TEST(SurroundingsTest, HeadersThatMayNotBeReplaced) {
  const bool root = geteuid() == 0;
  constexpr uid_t kDaemon = 1;
  struct Case {
    const char* name;
    bool needs_root;
    std::function<std::string(const TempDir&)> make;  // gives the source
  };
  const auto source_in = [](const std::string& folder) {
    WriteFile(folder + "/x.pb", "Procedure A()\n");
    return folder + "/x.pb";
  };
  const auto shared = [](const std::string& folder, mode_t mode, uid_t owner) {
    fs::create_directory(folder);
    EXPECT_EQ(chown(folder.c_str(), owner, owner), 0);
    EXPECT_EQ(chmod(folder.c_str(), mode), 0);
  };
  const Case cases[] = {
      {"the header is a link to the source", false,
       [&](const TempDir& dir) {
         fs::create_symlink("x.pb", dir / "x.pbi");
         return source_in(dir.path());
       }},
      {"the source is a link to the header", false,
       [&](const TempDir& dir) {
         WriteFile(dir / "x.pbi", std::string(testing::kOldHeader) + "\r\nProcedure OnlyCopy()\n");
         fs::create_symlink("x.pbi", dir / "x.pb");
         return dir / "x.pb";
       }},
      {"the header is a hard link of the source", false,
       [&](const TempDir& dir) {
         const std::string source = source_in(dir.path());
         fs::create_hard_link(source, dir / "x.pbi");
         return source;
       }},
      {"the header reaches the source through a folder link and ..", false,
       [&](const TempDir& dir) {
         fs::create_directory(dir / "a");
         fs::create_directory(dir / "b");
         fs::create_directory_symlink("../b", dir / "a/up");
         fs::create_symlink("../a/up/../a/x.pb", dir / "b/x.pbi");  // "up/.." is b's parent
         fs::create_symlink("../b/x.pbi", dir / "a/x.pbi");
         return source_in(dir / "a");
       }},
      {"another user's header in a sticky shared folder", true,
       [&](const TempDir& dir) {
         shared(dir / "tmp", 01777, kDaemon);
         testing::WriteOldHeader(dir / "tmp/x.pbi");
         EXPECT_EQ(chown((dir / "tmp/x.pbi").c_str(), kNobody, kNobody), 0);
         return source_in(dir / "tmp");
       }},
      {"another user's link to a folder in a shared folder", true,
       [&](const TempDir& dir) {
         shared(dir / "shared", 0777, 0);
         fs::create_directory(dir / "victim");
         fs::create_directory_symlink(dir / "victim", dir / "shared/project");
         EXPECT_EQ(lchown((dir / "shared/project").c_str(), kNobody, kNobody), 0);
         source_in(dir / "victim");
         return dir / "shared/project/x.pb";
       }},
      {"a link whose own path passes another user's link", true,
       [&](const TempDir& dir) {
         shared(dir / "shared", 0777, 0);
         fs::create_directory(dir / "victim");
         fs::create_directory_symlink(dir / "victim", dir / "shared/project");
         EXPECT_EQ(lchown((dir / "shared/project").c_str(), kNobody, kNobody), 0);
         fs::create_directory(dir / "mine");
         fs::create_symlink("../shared/project/x.pbi", dir / "mine/x.pbi");
         return source_in(dir / "mine");
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.needs_root && !root) continue;
    TempDir dir;
    const std::string source = c.make(dir);
    const auto before = Snapshot(dir.path());
    const RunResult result = RunVortiq({source});
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(Snapshot(dir.path()), before);
  }
}

// A process that rewrites the source in place, the same size each time, with
// the names of one version or the other, while runs read it: the kernel stamps
// the modification time as a write begins, so a write under way as a run opens
// the source leaves the stamp as it was. Every run gives the header of one
// version, or fails and keeps the old header; none mixes the two.
TEST(SurroundingsTest, SourceRewrittenInPlaceNeverGivesAMixedHeader) {
  TempDir dir;
  std::string versions[2];
  for (int v = 0; v < 2; ++v) {
    for (int i = 0; versions[v].size() < 1'300'000; ++i) {
      versions[v] += std::string("Procedure ") + "AB"[v] + std::to_string(100000 + i) + "()\n";
    }
  }
  const std::string source = dir / "x.pb";
  WriteFile(source, versions[0]);
  testing::WriteOldHeader(dir / "x.pbi");
  std::atomic<bool> stop = false;
  std::thread rewriter([&] {
    // Pauses between the saves, so that runs also start between them.
    std::mt19937 random(7);
    std::uniform_int_distribution<int> pause_us(0, 4000);
    constexpr size_t kPiece = 16 * 1024;
    for (int v = 1; !stop; v ^= 1) {
      // In pieces, as an editor saves: those that fall in one tick of the
      // file system's clock leave the same time stamp.
      const int fd = open(source.c_str(), O_WRONLY | O_CLOEXEC);
      for (size_t at = 0; at < versions[v].size(); at += kPiece) {
        const size_t size = std::min(kPiece, versions[v].size() - at);
        EXPECT_EQ(pwrite(fd, versions[v].data() + at, size, static_cast<off_t>(at)),
                  static_cast<ssize_t>(size));
      }
      close(fd);
      std::this_thread::sleep_for(microseconds(pause_us(random)));
    }
  });
  int mixed = 0;
  int whole = 0;
  for (int run = 0; run < 300; ++run) {
    const RunResult result = RunVortiq({source});
    const std::string header = ReadFile(dir / "x.pbi");
    const bool has_a = header.find("Declare A") != std::string::npos;
    const bool has_b = header.find("Declare B") != std::string::npos;
    mixed += has_a && has_b;
    if (result.exit_status == 0) {
      whole += has_a != has_b;
    } else {
      EXPECT_EQ(result.exit_status, 1);
    }
    testing::WriteOldHeader(dir / "x.pbi");
  }
  stop = true;
  rewriter.join();
  EXPECT_EQ(mixed, 0);
  std::cout << "[          ] " << whole << " of 300 runs gave a header\n";
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"x.pb", "x.pbi"}));
}

// Whether the run is in a pause (waiting for a writer to close the source).
bool IsPausing(pid_t pid) {
  return ReadFile("/proc/" + std::to_string(pid) + "/wchan").find("nanosleep") != std::string::npos;
}

// A save in flight: the writer has written the first half of the new text over
// the old and holds the file open, paused (its time stamped before the run
// began, both readings alike torn). The run waits for it to close the file and
// reads the new text whole.
TEST(SurroundingsTest, SaveInFlightIsWaitedFor) {
  if (!VORTIQ_HAVE_F_SETLEASE) GTEST_SKIP() << "the plain POSIX layer cannot ask";
  TempDir dir;
  const Sample old_text = ManyProcedures(20000);
  Sample new_text = ManyProcedures(20000);
  // The same procedures renamed: "Procedure P1(" becomes "Procedure Q1(".
  for (std::string* text : {&new_text.source, &new_text.header_body}) {
    for (size_t at = text->find(" P"); at != std::string::npos; at = text->find(" P", at + 1)) {
      (*text)[at + 1] = 'Q';
    }
  }
  const std::string source = dir / "f.pb";
  WriteFile(source, old_text.source);
  testing::WriteOldHeader(dir / "f.pbi");
  const size_t half = new_text.source.size() / 2;
  const int writer = open(source.c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(writer, 0);
  ASSERT_EQ(pwrite(writer, new_text.source.data(), half, 0), static_cast<ssize_t>(half));
  const StartedRun run = StartVortiq({source});
  bool pausing = false;
  for (int wait = 0; wait < 10000 && !pausing && !testing::HasEnded(run); ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    pausing = IsPausing(run.pid);
  }
  EXPECT_TRUE(pausing) << "the run did not wait for the writer";
  const size_t rest = new_text.source.size() - half;
  ASSERT_EQ(pwrite(writer, new_text.source.data() + half, rest, static_cast<off_t>(half)),
            static_cast<ssize_t>(rest));
  close(writer);
  const RunResult result = FinishVortiq(run);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.output, "");
  EXPECT_TRUE(WithFixedTime(ReadFile(dir / "f.pbi")) == Prologue("f.pb") + new_text.header_body);
}

// A program that holds the source open for writing and never writes (a sync
// client) holds the run up for the pauses, two seconds in all, not for ever;
// one the run may not ask about (the source of another user, without
// CAP_LEASE) is decided by the time stamps alone.
TEST(SurroundingsTest, WriterThatNeverWrites) {
  TempDir dir;
  const std::string source = dir / "n.pb";
  WriteFile(source, "Procedure A()\n");
  ASSERT_EQ(chown(dir.path().c_str(), kNobody, kNobody), 0);
  const int holder = open(source.c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(holder, 0);
  for (const bool as_nobody : {false, true}) {
    SCOPED_TRACE(as_nobody ? "as nobody" : "as the owner");
    if (as_nobody && geteuid() != 0) continue;  // needs another user, whom root can become
    std::filesystem::remove(dir / "n.pbi");
    const auto start = std::chrono::steady_clock::now();
    const RunResult result = RunVortiq({source}, {.as_nobody = as_nobody});
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(WithFixedTime(ReadFile(dir / "n.pbi")),
              Prologue("n.pb") + "Declare A()\r\nCompilerEndIf");
    if (!as_nobody && VORTIQ_HAVE_F_SETLEASE) {
      EXPECT_GE(took, std::chrono::milliseconds(2100));
    }
  }
  close(holder);
}

// The signals that end a process unless it handles them, as kill, timeout, a
// terminal or a job scheduler send them; the faults too, which kill can send
// as well (the handler must not take them for a fault of the run's own).
constexpr int kEndingSignals[] = {SIGTERM, SIGINT,    SIGHUP,  SIGQUIT, SIGALRM, SIGUSR1, SIGUSR2,
                                  SIGPIPE, SIGVTALRM, SIGXCPU, SIGSEGV, SIGBUS,  SIGILL,  SIGFPE};

// Waits up to ten seconds until the bytes written to the pipe `writer` have
// been read.
bool AwaitRead(int writer) {
  for (int wait = 0; wait < 10000; ++wait) {
    int unread = 0;
    if (ioctl(writer, FIONREAD, &unread) == 0 && unread == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

// Starts a run on a source that is a pipe: the run reads part of it and waits
// for the rest. Then `end_run` is called, and the pipe is closed, so that a run
// still alive reads to the end. Expects the run ended by `signal`, the old
// header and no other file left.
void ExpectEndedWhileWaitingForASlowSource(int signal, const std::function<void(pid_t)>& end_run,
                                           const RunOptions& options = {}) {
  TempDir dir;
  ASSERT_EQ(mkfifo((dir / "slow.pb").c_str(), 0600), 0);
  testing::WriteOldHeader(dir / "slow.pbi");
  const int writer = open((dir / "slow.pb").c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(writer, 0);
  ASSERT_EQ(write(writer, "Procedure A()\n", 14), 14);
  const StartedRun run = StartVortiq({dir / "slow.pb"}, options);
  EXPECT_TRUE(AwaitRead(writer));
  end_run(run.pid);
  // The signal is on its way before the end of the source is: it arrives first.
  close(writer);
  const RunResult result = FinishVortiq(run);
  EXPECT_EQ(result.exit_status, 128 + signal);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"slow.pb", "slow.pbi"}));
  EXPECT_EQ(ReadFile(dir / "slow.pbi"), testing::kOldHeader);
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
    if (emulated &&
        (signal == SIGSEGV || signal == SIGBUS || signal == SIGILL || signal == SIGFPE)) {
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
  const std::string old(testing::kOldHeader);
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

// A source cut short after the run has read it, before the run has looked
// whether it changed: it is read again, and the header is the one of what is
// left.
TEST(SurroundingsTest, SourceTruncatedAfterItWasReadIsReadAgain) {
  if (getenv("QEMU_LD_PREFIX") != nullptr) GTEST_SKIP() << "qemu-user runs are not traced";
  TempDir dir;
  const Sample whole = ManyProcedures(40000);
  const Sample part = ManyProcedures(1000);  // its source begins the whole one
  const std::string source = dir / "t.pb";
  WriteFile(source, whole.source);
  testing::WriteOldHeader(dir / "t.pbi");
  const StartedRun run = StartVortiq({source}, {.traced = true});
  ASSERT_TRUE(testing::StopAfterReadAt(run, 0));  // its first read of the source
  ASSERT_EQ(truncate(source.c_str(), static_cast<off_t>(part.source.size())), 0);
  testing::Release(run);
  const RunResult result = FinishVortiq(run);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.output, "");
  EXPECT_TRUE(WithFixedTime(ReadFile(dir / "t.pbi")) == Prologue("t.pb") + part.header_body);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"t.pb", "t.pbi"}));
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
    testing::WriteOldHeader(dir / "t.pbi");
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
      EXPECT_EQ(header, testing::kOldHeader);
    }
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"t.pb", "t.pbi"}));
  }
}

TEST(SurroundingsTest, SourceThatKeepsChangingKeepsTheOldHeader) {
  if (getenv("QEMU_LD_PREFIX") != nullptr) GTEST_SKIP() << "qemu-user runs are not traced";
  TempDir dir;
  const std::string source = dir / "grow.pb";
  WriteFile(source, ManyProcedures(2000).source);
  testing::WriteOldHeader(dir / "grow.pbi");
  // A line added while each of the two readings reads it.
  const StartedRun run = StartVortiq({source}, {.traced = true});
  for (int reading = 0; reading < 2; ++reading) {
    ASSERT_TRUE(testing::StopAfterReadAt(run, 0)) << reading;
    std::ofstream(source, std::ios::app) << "\n";
  }
  testing::Release(run);
  const RunResult result = FinishVortiq(run);
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.output, "");
  EXPECT_EQ(ReadFile(dir / "grow.pbi"), testing::kOldHeader);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"grow.pb", "grow.pbi"}));
}

// Up to the longest path the system takes in one call, and beyond it. The
// folders are made, and removed, from within each other, as no single call
// could name the deepest of them.
TEST(SurroundingsTest, LongSourcePaths) {
  const int start = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(start, 0);
  // 4090: the header's path, a byte longer, still fits PATH_MAX.
  for (const size_t length : {size_t{4090}, size_t{6000}}) {
    SCOPED_TRACE(length);
    TempDir dir;
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    const std::string name = "/a.pb";
    std::string source = dir.path().string();
    std::vector<std::string> components;
    while (source.size() + name.size() < length) {
      // Components of at most 200 bytes; never leave room for only a lone '/'.
      size_t size = std::min<size_t>(length - name.size() - source.size() - 1, 200);
      if (length - name.size() - source.size() - 1 - size == 1) --size;
      components.emplace_back(size, 'd');
      ASSERT_EQ(mkdir(components.back().c_str(), 0700), 0);
      ASSERT_EQ(chdir(components.back().c_str()), 0);
      source += "/" + components.back();
    }
    source += name;
    ASSERT_EQ(source.size(), length);
    WriteFile("a.pb", "Procedure A()\n");
    const RunResult result = RunVortiq({source});
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(WithFixedTime(ReadFile("a.pbi")), Prologue("a.pb") + "Declare A()\r\nCompilerEndIf");
    EXPECT_EQ(unlink("a.pb"), 0);
    EXPECT_EQ(unlink("a.pbi"), 0);
    for (auto component = components.rbegin(); component != components.rend(); ++component) {
      ASSERT_EQ(chdir(".."), 0);
      EXPECT_EQ(rmdir(component->c_str()), 0);
    }
    ASSERT_EQ(fchdir(start), 0);
  }
  close(start);
}

}  // namespace
}  // namespace vortiq
