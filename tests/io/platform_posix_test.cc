#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <iostream>
#include <thread>
#include <utility>

#include "io/platform.h"
#include "posix_features.h"
#include "support/source_generator.h"
#include "support/temp_dir.h"

namespace vortiq {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

mode_t ModeOf(const std::string& path) {
  struct stat info;
  EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

Status WriteHeader(const std::string& path, std::string_view bytes, bool commit = true) {
  std::unique_ptr<HeaderFile> file;
  if (const Status status = HeaderFile::Create(path, nullptr, &file); status != Status::kOk)
    return status;
  if (const Status status = file->Write(bytes); status != Status::kOk) return status;
  return commit ? file->Commit() : Status::kOk;
}

TEST(HeaderFileTest, CommitReplacesAndLeavesNoTemporaryFile) {
  TempDir dir;
  testing::WriteOldHeader(dir / "a.pbi");
  ASSERT_EQ(WriteHeader(dir / "a.pbi", "new"), Status::kOk);
  EXPECT_EQ(ReadFile(dir / "a.pbi"), "new");
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"a.pbi"});
}

TEST(HeaderFileTest, WithoutCommitNothingChanges) {
  TempDir dir;
  testing::WriteOldHeader(dir / "a.pbi");
  ASSERT_EQ(WriteHeader(dir / "a.pbi", "new", /*commit=*/false), Status::kOk);
  EXPECT_EQ(ReadFile(dir / "a.pbi"), testing::kOldHeader);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"a.pbi"});
  ASSERT_EQ(WriteHeader(dir / "b.pbi", "new", /*commit=*/false), Status::kOk);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"a.pbi"});
}

TEST(HeaderFileTest, PermissionsOfTheOldHeaderStay) {
  TempDir dir;
  testing::WriteOldHeader(dir / "a.pbi");
  chmod((dir / "a.pbi").c_str(), 0640);
  ASSERT_EQ(WriteHeader(dir / "a.pbi", "new"), Status::kOk);
  EXPECT_EQ(ModeOf(dir / "a.pbi"), 0640u);
  // A new header gets the usual mode of a new file.
  const mode_t mask = umask(022);
  ASSERT_EQ(WriteHeader(dir / "b.pbi", "new"), Status::kOk);
  umask(mask);
  EXPECT_EQ(ModeOf(dir / "b.pbi"), 0644u);
}

// The extended attribute `name` of `path`, or "(none)".
std::string AttributeOf(const std::string& path, const char* name) {
  char value[256];
  const ssize_t size = getxattr(path.c_str(), name, value, sizeof value);
  return size < 0 ? "(none)" : std::string(value, static_cast<size_t>(size));
}

// A POSIX access ACL as the kernel stores it in "system.posix_acl_access":
// owner rw-, user `reader` r--, group r--, mask r--, others ---.
std::string AccessAcl(uint32_t reader) {
  std::string acl;
  const auto put = [&acl](uint32_t value, size_t bytes) {
    for (size_t i = 0; i < bytes; ++i) acl.push_back(static_cast<char>(value >> (8 * i)));
  };
  put(2, 4);  // version
  const uint32_t kNoId = 0xFFFFFFFF;
  const uint32_t entries[][3] = {
      {0x01, 6, kNoId}, {0x02, 4, reader}, {0x04, 4, kNoId}, {0x10, 4, kNoId}, {0x20, 0, kNoId}};
  for (const auto& entry : entries) {
    put(entry[0], 2);
    put(entry[1], 2);
    put(entry[2], 4);
  }
  return acl;
}

TEST(HeaderFileTest, ExtendedAttributesAndAclsStay) {
  if (!VORTIQ_HAVE_XATTR) GTEST_SKIP() << "a build of the plain POSIX layer keeps no attributes";
  TempDir dir;
  const std::string header = dir / "a.pbi";
  testing::WriteOldHeader(header);
  if (setxattr(header.c_str(), "user.vortiq", "kept", 4, 0) != 0) {
    GTEST_SKIP() << "no extended attributes here: " << std::strerror(errno);
  }
  ASSERT_EQ(setxattr(header.c_str(), "user.empty", "", 0, 0), 0);  // present, with no value
  const std::string acl = AccessAcl(65534);
  const bool acls =
      setxattr(header.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) == 0;
  ASSERT_EQ(WriteHeader(header, "new"), Status::kOk);
  EXPECT_EQ(ReadFile(header), "new");
  EXPECT_EQ(AttributeOf(header, "user.vortiq"), "kept");
  EXPECT_EQ(getxattr(header.c_str(), "user.empty", nullptr, 0), 0);
  if (acls) {
    EXPECT_EQ(AttributeOf(header, "system.posix_acl_access"), acl);
    EXPECT_EQ(ModeOf(header), 0640u);  // the mask stands for the group's bits
  } else {
    std::cout << "[ SKIPPED  ] no POSIX ACLs here: " << std::strerror(errno) << "\n";
  }
}

TEST(HeaderFileTest, OwnerGroupAndSetIdBitsOfAnotherUsersHeaderStay) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root, to give the header to another user";
  TempDir dir;
  const std::string header = dir / "a.pbi";
  // Another user and group, and each of them alone.
  for (const auto& [uid, gid] : {std::pair{uid_t{65534}, gid_t{65534}},
                                 {uid_t{65534}, getegid()},
                                 {geteuid(), gid_t{65534}}}) {
    testing::WriteOldHeader(header);
    ASSERT_EQ(chown(header.c_str(), uid, gid), 0);
    ASSERT_EQ(chmod(header.c_str(), 06754), 0);
    ASSERT_EQ(WriteHeader(header, "new"), Status::kOk);
    struct stat info;
    ASSERT_EQ(stat(header.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, uid);
    EXPECT_EQ(info.st_gid, gid);
    EXPECT_EQ(info.st_mode & 07777, 06754u);  // not cleared by the change of owner
  }
}

// The old header's permissions as they are at Commit; as they were found at
// Create when it has gone meanwhile or is no longer a file.
TEST(HeaderFileTest, PermissionsOfTheHeaderAsItIsAtCommit) {
  struct Case {
    const char* name;
    std::function<void(const std::string&)> meanwhile;
    mode_t mode;
  };
  const Case cases[] = {
      {"changed", [](const std::string& path) { chmod(path.c_str(), 0604); }, 0604},
      {"removed", [](const std::string& path) { std::filesystem::remove(path); }, 0640},
      {"replaced by a pipe",
       [](const std::string& path) {
         std::filesystem::remove(path);
         mkfifo(path.c_str(), 0600);
         chmod(path.c_str(), 0606);
       },
       0640},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string header = dir / "a.pbi";
    testing::WriteOldHeader(header);
    chmod(header.c_str(), 0640);
    std::unique_ptr<HeaderFile> file;
    ASSERT_EQ(HeaderFile::Create(header, nullptr, &file), Status::kOk);
    ASSERT_EQ(file->Write("new"), Status::kOk);
    c.meanwhile(header);
    ASSERT_EQ(file->Commit(), Status::kOk);
    EXPECT_EQ(ReadFile(header), "new");
    EXPECT_EQ(ModeOf(header), c.mode);
  }
}

constexpr uid_t kNobody = 65534;

// Runs `body` in a child process as the user nobody, a member of the groups
// nobody and `group`; returns what `body` returns, or -1 when it did not run.
int AsNobody(gid_t group, const std::function<int()>& body) {
  const pid_t pid = fork();
  if (pid == 0) {
    const gid_t groups[] = {kNobody, group};
    if (setgroups(2, groups) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(125);
    _exit(body());
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status) == 125 ? -1 : WEXITSTATUS(status);
}

// As a user who is not the superuser: no header in a folder they may not write,
// and a header of another user's group, which they are a member of, stays in
// that group (the owner cannot be kept: only the superuser may give a file away).
TEST(HeaderFileTest, AsAnUnprivilegedUser) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root, to run as another user";
  constexpr gid_t kTeam = 100;
  TempDir dir;
  ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
  std::filesystem::create_directory(dir.path() / "team");
  const std::string header = dir / "team/a.pbi";
  testing::WriteOldHeader(header);
  for (const std::string& path : {dir / "team", header}) {
    ASSERT_EQ(chown(path.c_str(), 0, kTeam), 0);
  }
  ASSERT_EQ(chmod((dir / "team").c_str(), 0775), 0);
  ASSERT_EQ(chmod(header.c_str(), 0664), 0);
  EXPECT_EQ(AsNobody(kTeam,
                     [&] {
                       if (WriteHeader(dir / "b.pbi", "new") != Status::kAccessDenied) return 1;
                       return WriteHeader(header, "new") == Status::kOk ? 0 : 2;
                     }),
            0);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"team"});
  EXPECT_EQ(ReadFile(header), "new");
  struct stat info;
  ASSERT_EQ(stat(header.c_str(), &info), 0);
  EXPECT_EQ(info.st_uid, kNobody);
  EXPECT_EQ(info.st_gid, kTeam);
  EXPECT_EQ(info.st_mode & 07777, 0664u);
}

// In a set-group-ID folder a new file takes the folder's group: the header
// gets the old one's group back where the caller may give it, and otherwise
// loses its set-group-ID bit, which would stand for a group it never had.
TEST(HeaderFileTest, GroupInASetGroupIdFolder) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root, to set up groups and run as another user";
  constexpr gid_t kTeam = 100;
  struct Case {
    const char* name;
    bool as_nobody;
    uid_t owner;
    gid_t group;  // of the old header
    gid_t kept_group;
    mode_t kept_mode;
  };
  const Case cases[] = {
      {"the superuser keeps any group", false, 0, 0, 0, 02754},
      {"a member of the folder's group only", true, kNobody, 0, kTeam, 0754},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    const std::string team = dir / "team";
    std::filesystem::create_directory(team);
    ASSERT_EQ(chown(team.c_str(), 0, kTeam), 0);
    ASSERT_EQ(chmod(team.c_str(), 02775), 0);
    const std::string header = team + "/a.pbi";
    testing::WriteOldHeader(header);
    ASSERT_EQ(chown(header.c_str(), c.owner, c.group), 0);
    ASSERT_EQ(chmod(header.c_str(), 02754), 0);
    const auto write = [&] { return WriteHeader(header, "new") == Status::kOk ? 0 : 1; };
    EXPECT_EQ(c.as_nobody ? AsNobody(kTeam, write) : write(), 0);
    EXPECT_EQ(ReadFile(header), "new");
    struct stat info;
    ASSERT_EQ(stat(header.c_str(), &info), 0);
    EXPECT_EQ(info.st_gid, c.kept_group);
    EXPECT_EQ(info.st_mode & 07777, c.kept_mode);
  }
}

TEST(HeaderFileTest, SymbolicLinkStaysAndItsTargetIsReplaced) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "real");
  testing::WriteOldHeader(dir / "real/a.pbi");
  ASSERT_EQ(symlink("real/a.pbi", (dir / "a.pbi").c_str()), 0);
  ASSERT_EQ(WriteHeader(dir / "a.pbi", "new"), Status::kOk);
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "a.pbi"));
  EXPECT_EQ(ReadFile(dir / "real/a.pbi"), "new");
  // A dangling link gets its target created.
  ASSERT_EQ(symlink("real/b.pbi", (dir / "b.pbi").c_str()), 0);
  ASSERT_EQ(WriteHeader(dir / "b.pbi", "fresh"), Status::kOk);
  EXPECT_EQ(ReadFile(dir / "real/b.pbi"), "fresh");
  // A loop of links fails.
  ASSERT_EQ(symlink("c.pbi", (dir / "c.pbi").c_str()), 0);
  EXPECT_NE(WriteHeader(dir / "c.pbi", "x"), Status::kOk);
}

TEST(HeaderFileTest, NamesUpToTheLongestAllowed) {
  TempDir dir;
  // The temporary file must fit beside a header whose own name just fits.
  for (const size_t length : {size_t{240}, size_t{241}, size_t{254}, size_t{255}}) {
    const std::string name = std::string(length - 4, 'a') + ".pbi";
    ASSERT_EQ(WriteHeader(dir / name, "new"), Status::kOk) << length;
    EXPECT_EQ(ReadFile(dir / name), "new");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{name});
    std::filesystem::remove(dir / name);
  }
}

TEST(HeaderFileTest, RefusedWithoutTouchingAnything) {
  TempDir dir;
  testing::WriteOldHeader(dir / "ro.pbi");
  chmod((dir / "ro.pbi").c_str(), 0444);
  std::filesystem::create_directory(dir.path() / "d.pbi");
  EXPECT_EQ(WriteHeader(dir / "ro.pbi", "new"), Status::kAccessDenied);
  EXPECT_EQ(WriteHeader(dir / "d.pbi", "new"), Status::kAccessDenied);
  EXPECT_EQ(WriteHeader(dir / "missing/x.pbi", "new"), Status::kNotFound);
  EXPECT_EQ(ReadFile(dir / "ro.pbi"), testing::kOldHeader);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"d.pbi", "ro.pbi"}));
}

// The whole file, read anew by every ReadAll; kAccessDenied for a folder.
TEST(SourceFileTest, OpenAndReadAll) {
  TempDir dir;
  std::string text;
  std::string body;
  GenerateSource(5 << 20, 5, &text, &body);  // in huge pages where the system has them
  for (const std::string& bytes : {std::string("abc"), std::string(), text}) {
    WriteFile(dir / "s.pb", bytes);
    std::unique_ptr<SourceFile> file;
    ASSERT_EQ(SourceFile::Open(dir / "s.pb", &file), Status::kOk);
    SourceBytes read;
    errno = EINTR;  // left by some earlier call: this read is not interrupted
    for (int reading = 0; reading < 2; ++reading) {
      ASSERT_EQ(file->ReadAll(&read), Status::kOk);
      EXPECT_TRUE(read.view() == bytes) << bytes.size();
    }
  }
  std::unique_ptr<SourceFile> file;
  EXPECT_EQ(SourceFile::Open(dir / "none.pb", &file), Status::kNotFound);
  EXPECT_EQ(SourceFile::Open(dir.path().string(), &file), Status::kAccessDenied);
}

// A pipe is read to its end, more than the first room holds; it cannot tell a
// change.
TEST(SourceFileTest, PipeIsReadToItsEnd) {
  TempDir dir;
  ASSERT_EQ(mkfifo((dir / "pipe.pb").c_str(), 0600), 0);
  const std::string text(200'000, 'p');
  std::thread writer([&] {
    const int fd = open((dir / "pipe.pb").c_str(), O_WRONLY | O_CLOEXEC);
    for (std::string_view rest = text; !rest.empty();) {
      const ssize_t written = write(fd, rest.data(), rest.size());
      if (written <= 0) break;
      rest.remove_prefix(static_cast<size_t>(written));
    }
    close(fd);
  });
  std::unique_ptr<SourceFile> file;
  ASSERT_EQ(SourceFile::Open(dir / "pipe.pb", &file), Status::kOk);
  SourceBytes read;
  EXPECT_EQ(file->ReadAll(&read), Status::kOk);
  writer.join();
  EXPECT_TRUE(read.view() == text);
  EXPECT_FALSE(file->HasChanged(read.view()));
}

TEST(SourceFileTest, ChangeSinceReading) {
  TempDir dir;
  WriteFile(dir / "s.pb", "abc");
  std::unique_ptr<SourceFile> file;
  ASSERT_EQ(SourceFile::Open(dir / "s.pb", &file), Status::kOk);
  SourceBytes read;
  ASSERT_EQ(file->ReadAll(&read), Status::kOk);
  EXPECT_EQ(read.view(), "abc");
  EXPECT_FALSE(file->HasChanged(read.view()));
  {
    std::ofstream append(dir / "s.pb", std::ios::binary | std::ios::app);
    append << "def";
  }
  EXPECT_TRUE(file->HasChanged(read.view()));
  ASSERT_EQ(file->ReadAll(&read), Status::kOk);
  EXPECT_EQ(read.view(), "abcdef");
  EXPECT_FALSE(file->HasChanged(read.view()));
  // The same size, written again: the modification time tells.
  struct stat info;
  ASSERT_EQ(stat((dir / "s.pb").c_str(), &info), 0);
  const timespec earlier[2] = {info.st_atim, {info.st_mtim.tv_sec - 10, info.st_mtim.tv_nsec}};
  ASSERT_EQ(utimensat(AT_FDCWD, (dir / "s.pb").c_str(), earlier, 0), 0);
  EXPECT_TRUE(file->HasChanged(read.view()));
}

// A file written just before it was read is read once more at the end: a
// change that leaves its stamp as it was still shows. Writes through a shared
// mapping whose pages are writable already are such a change.
TEST(SourceFileTest, ChangeThatKeepsTheStampShowsInTheBytes) {
  TempDir dir;
  const std::string text(3 * 4096, 'a');
  WriteFile(dir / "s.pb", text);
  const int fd = open((dir / "s.pb").c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  void* const mapped = mmap(nullptr, text.size(), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  ASSERT_NE(mapped, MAP_FAILED);
  char* const bytes = static_cast<char*>(mapped);
  for (size_t at = 0; at < text.size(); at += 4096) bytes[at] = 'a';  // each page writable now
  std::unique_ptr<SourceFile> file;
  ASSERT_EQ(SourceFile::Open(dir / "s.pb", &file), Status::kOk);
  SourceBytes read;
  ASSERT_EQ(file->ReadAll(&read), Status::kOk);
  EXPECT_TRUE(read.view() == text);
  EXPECT_FALSE(file->HasChanged(read.view()));
  struct stat before;
  ASSERT_EQ(fstat(fd, &before), 0);
  bytes[2 * 4096 + 7] = 'b';
  struct stat after;
  ASSERT_EQ(fstat(fd, &after), 0);
  if (after.st_mtim.tv_nsec != before.st_mtim.tv_nsec ||
      after.st_ctim.tv_nsec != before.st_ctim.tv_nsec) {
    std::cout << "[          ] the change was stamped after all\n";
  }
  EXPECT_TRUE(file->HasChanged(read.view()));
  munmap(mapped, text.size());
  close(fd);
}

// Standard input closed, as `vortiq x.pb <&-` has it: descriptor 0 serves as
// any other, for the source and for the temporary file of a header behind a
// link into another folder (the first folder's handle took 0 and gave it back),
// and nothing stays open afterwards. Left by earlier calls, errno says nothing.
TEST(PlatformTest, DescriptorZeroServesAsAnyOther) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "sub");
  WriteFile(dir / "s.pb", "abc");
  testing::WriteOldHeader(dir / "sub/a.pbi");
  std::filesystem::create_symlink("sub/a.pbi", dir / "a.pbi");
  const int saved_input = dup(0);
  ASSERT_GE(saved_input, 0);
  close(0);
  errno = EINTR;
  std::unique_ptr<SourceFile> source;
  const Status opened = SourceFile::Open(dir / "s.pb", &source);
  source.reset();
  const bool closed_after_source = fcntl(0, F_GETFD) < 0;
  errno = EEXIST;
  const Status written = WriteHeader(dir / "a.pbi", "new");
  const bool closed_after_header = fcntl(0, F_GETFD) < 0;
  ASSERT_EQ(dup2(saved_input, 0), 0);
  close(saved_input);
  EXPECT_EQ(opened, Status::kOk);
  EXPECT_TRUE(closed_after_source);
  EXPECT_EQ(written, Status::kOk);
  EXPECT_TRUE(closed_after_header);
  EXPECT_EQ(ReadFile(dir / "a.pbi"), "new");
  std::vector<std::string> in_sub;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path() / "sub")) {
    in_sub.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(in_sub, std::vector<std::string>{"a.pbi"});
}

TEST(PlatformTest, PathToTextAndClock) {
  EXPECT_EQ(PathToText("/a/\xC3\xA9\xFF.pb"), "/a/\xC3\xA9\xEF\xBF\xBD.pb");
  EXPECT_NE(Date(ReadLocalClock()), kNoDate);
  // In UTC the local clock's date value counts the seconds since 1970.
  const char* const zone = getenv("TZ");
  const std::string saved = zone == nullptr ? "" : zone;
  setenv("TZ", "UTC0", 1);
  tzset();
  const time_t before = time(nullptr);
  const DateValue date = Date(ReadLocalClock());
  const time_t after = time(nullptr);
  zone == nullptr ? unsetenv("TZ") : setenv("TZ", saved.c_str(), 1);
  tzset();
  EXPECT_GE(date, before);
  EXPECT_LE(date, after);
}

}  // namespace
}  // namespace vortiq
