// POSIX implementation of the platform layer: the source file, the clock and
// paths as text. The header file is in header_file_posix.cc, the memory for
// sources in posix_optional.cc.
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <string>

#include "base/utf8.h"
#include "io/platform.h"
#include "io/posix_file.h"

namespace vortiq {

void SplitPath(std::string_view path, std::string* folder, std::string* name) {
  const size_t slash = path.rfind('/');
  *folder = slash == std::string_view::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  *name = path.substr(slash == std::string_view::npos ? 0 : slash + 1);
}

int OpenFolder(const std::string& path) {
  // The system takes at most PATH_MAX bytes in one path: a longer one is
  // opened a stretch of whole components at a time.
  constexpr size_t kMaxStretch = PATH_MAX - 1;
  UniqueFd at;
  size_t start = 0;
  while (path.size() - start > kMaxStretch) {
    const size_t slash = path.rfind('/', start + kMaxStretch);
    if (slash == std::string::npos || slash <= start) break;  // a name too long: the call says so
    UniqueFd next(OpenDirectory(at ? at.get() : AT_FDCWD, path.substr(start, slash - start)));
    if (!next) return -1;
    at = std::move(next);
    start = path.find_first_not_of('/', slash);
    if (start == std::string::npos) return at.Release();
  }
  return OpenDirectory(at ? at.get() : AT_FDCWD, path.substr(start));
}

// ---- SourceFile

Status SourceFile::Open(const std::string& path, std::unique_ptr<SourceFile>* file) {
  std::string folder;
  std::string name;
  SplitPath(path, &folder, &name);
  const UniqueFd directory(OpenFolder(folder));
  if (!directory) return StatusFromErrno(errno);
  if (name.empty()) return Status::kAccessDenied;  // "dir/": a directory
  int fd;
  do {
    // A terminal named as the source must not become the run's own.
    fd = openat(directory.get(), name.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return StatusFromErrno(errno);
  UniqueFd owned(fd);
  struct stat info;
  if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) return Status::kAccessDenied;
  const FileIdentity identity{static_cast<uint64_t>(info.st_dev),
                              static_cast<uint64_t>(info.st_ino)};
  file->reset(new SourceFile(owned.Release(), S_ISREG(info.st_mode), identity));
  return Status::kOk;
}

SourceFile::~SourceFile() { close(static_cast<int>(handle_)); }

Status SourceFile::ReadSome(uint64_t offset, char* buffer, size_t capacity, size_t* count) {
  const int fd = static_cast<int>(handle_);
  ssize_t got;
  do {
    got = regular_ ? pread(fd, buffer, capacity, static_cast<off_t>(offset))
                   : read(fd, buffer, capacity);
  } while (got < 0 && errno == EINTR);
  if (got < 0) {
    *count = 0;
    return StatusFromErrno(errno);
  }
  *count = static_cast<size_t>(got);
  return Status::kOk;
}

bool SourceFile::TakeStamp(Stamp* stamp) const {
  struct stat info;
  if (fstat(static_cast<int>(handle_), &info) != 0) return false;
  stamp->size = static_cast<int64_t>(info.st_size);
  stamp->modified = ModificationTime(info);
  stamp->changed = ChangeTime(info);
  return true;
}

void SourceFile::Pause(int milliseconds) {
  timespec rest{milliseconds / 1000, milliseconds % 1000 * 1'000'000};
  while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
  }
}

int64_t SourceFile::Now() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// ---- Clock and paths

LocalTime ReadLocalClock() {
  const time_t now = time(nullptr);
  struct tm fields {};
  if (localtime_r(&now, &fields) == nullptr) return LocalTime{0, 0, 0, 0, 0, 0};
  LocalTime clock;
  clock.year = fields.tm_year + 1900;
  clock.month = fields.tm_mon + 1;
  clock.day = fields.tm_mday;
  clock.hour = fields.tm_hour;
  clock.minute = fields.tm_min;
  // A leap second (:60) is not a second of the calendar the date value counts in.
  clock.second = fields.tm_sec > 59 ? 59 : fields.tm_sec;
  return clock;
}

std::string PathToText(std::string_view path) { return RepairUtf8(path); }

}  // namespace vortiq
