#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <utility>

#include "bench/source_generator.h"
#include "io/header_writer.h"
#include "io/platform.h"
#include "run/generate.h"
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
  if (const Status status = HeaderFile::Create(path, &file); status != Status::kOk) return status;
  if (const Status status = file->Write(bytes); status != Status::kOk) return status;
  return commit ? file->Commit() : Status::kOk;
}

TEST(HeaderFileTest, CommitReplacesAndLeavesNoTemporaryFile) {
  TempDir dir;
  WriteFile(dir / "a.pbi", "old and longer");
  ASSERT_EQ(WriteHeader(dir / "a.pbi", "new"), Status::kOk);
  EXPECT_EQ(ReadFile(dir / "a.pbi"), "new");
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"a.pbi"});
}

TEST(HeaderFileTest, WithoutCommitNothingChanges) {
  TempDir dir;
  WriteFile(dir / "a.pbi", "old");
  ASSERT_EQ(WriteHeader(dir / "a.pbi", "new", /*commit=*/false), Status::kOk);
  EXPECT_EQ(ReadFile(dir / "a.pbi"), "old");
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"a.pbi"});
  ASSERT_EQ(WriteHeader(dir / "b.pbi", "new", /*commit=*/false), Status::kOk);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"a.pbi"});
}

TEST(HeaderFileTest, PermissionsOfTheOldHeaderStay) {
  TempDir dir;
  WriteFile(dir / "a.pbi", "old");
  chmod((dir / "a.pbi").c_str(), 0640);
  ASSERT_EQ(WriteHeader(dir / "a.pbi", "new"), Status::kOk);
  EXPECT_EQ(ModeOf(dir / "a.pbi"), 0640u);
  // A new header gets the usual mode of a new file.
  const mode_t mask = umask(022);
  ASSERT_EQ(WriteHeader(dir / "b.pbi", "new"), Status::kOk);
  umask(mask);
  EXPECT_EQ(ModeOf(dir / "b.pbi"), 0644u);
  // The owner and group stay too, which only the superuser can arrange.
  if (geteuid() != 0) return;
  for (const auto& [uid, gid] : {std::pair{uid_t{12345}, getegid()}, {geteuid(), gid_t{23456}}}) {
    WriteFile(dir / "c.pbi", "old");
    ASSERT_EQ(chown((dir / "c.pbi").c_str(), uid, gid), 0);
    ASSERT_EQ(WriteHeader(dir / "c.pbi", "new"), Status::kOk);
    struct stat info;
    ASSERT_EQ(stat((dir / "c.pbi").c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, uid);
    EXPECT_EQ(info.st_gid, gid);
  }
}

TEST(HeaderFileTest, SymbolicLinkStaysAndItsTargetIsReplaced) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "real");
  WriteFile(dir / "real/a.pbi", "old");
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
  WriteFile(dir / "ro.pbi", "read-only");
  chmod((dir / "ro.pbi").c_str(), 0444);
  std::filesystem::create_directory(dir.path() / "d.pbi");
  EXPECT_EQ(WriteHeader(dir / "ro.pbi", "new"), Status::kAccessDenied);
  EXPECT_EQ(WriteHeader(dir / "d.pbi", "new"), Status::kAccessDenied);
  EXPECT_EQ(WriteHeader(dir / "missing/x.pbi", "new"), Status::kNotFound);
  EXPECT_EQ(ReadFile(dir / "ro.pbi"), "read-only");
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"d.pbi", "ro.pbi"}));
}

TEST(SourceFileTest, OpenAndRead) {
  TempDir dir;
  WriteFile(dir / "s.pb", "abc");
  std::unique_ptr<SourceFile> file;
  ASSERT_EQ(SourceFile::Open(dir / "s.pb", &file), Status::kOk);
  char buffer[8];
  size_t count = 0;
  ASSERT_EQ(file->Read(buffer, sizeof buffer, &count), Status::kOk);
  EXPECT_EQ(std::string(buffer, count), "abc");
  ASSERT_EQ(file->Read(buffer, sizeof buffer, &count), Status::kOk);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(SourceFile::Open(dir / "none.pb", &file), Status::kNotFound);
  EXPECT_EQ(SourceFile::Open(dir.path().string(), &file), Status::kAccessDenied);
}

// A regular file longer than 16 MiB is read ahead on a second thread; a pipe
// never is. Either way the header is the one made from the bytes in memory.
TEST(SourceFileTest, LongFileGivesTheSameHeaderReadAhead) {
  TempDir dir;
  std::string source;
  std::string body;
  GenerateSource(20 << 20, 5, &source, &body);
  WriteFile(dir / "long.pb", source);
  std::unique_ptr<SourceFile> file;
  ASSERT_EQ(SourceFile::Open(dir / "long.pb", &file), Status::kOk);
  EXPECT_TRUE(file->MayReadAhead());
  std::string header;
  StringSink sink(&header);
  HeaderWriter writer(&sink);
  const LocalTime clock{2026, 12, 7, 12, 0, 0};
  ASSERT_EQ(GenerateHeader(file.get(), "long.pb", Date(clock), &writer), Status::kOk);
  EXPECT_TRUE(header == GenerateHeader(source, "long.pb", clock));

  ASSERT_EQ(mkfifo((dir / "pipe.pb").c_str(), 0600), 0);
  const int keep_open = open((dir / "pipe.pb").c_str(), O_RDWR);  // so opening does not wait
  ASSERT_GE(keep_open, 0);
  ASSERT_EQ(SourceFile::Open(dir / "pipe.pb", &file), Status::kOk);
  EXPECT_FALSE(file->MayReadAhead());
  file.reset();
  close(keep_open);
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
