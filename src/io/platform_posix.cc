// POSIX implementation of the platform layer: the source file, the clock and
// paths as text. The header file is in header_file_posix.cc.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <string>

#include "base/utf8.h"
#include "io/platform.h"
#include "io/posix_file.h"

namespace vortiq {
namespace {

// Size and modification time of an open file.
bool StampOf(int fd, SourceFile::Stamp* stamp) {
  struct stat info;
  if (fstat(fd, &info) != 0) return false;
  stamp->size = static_cast<int64_t>(info.st_size);
  stamp->modified = ModificationTime(info);
  return true;
}

}  // namespace

// ---- SourceFile

Status SourceFile::Open(const std::string& path, std::unique_ptr<SourceFile>* file) {
  int fd;
  do {
    fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return StatusFromErrno(errno);
  UniqueFd owned(fd);
  struct stat info;
  if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) return Status::kAccessDenied;
  Stamp stamp;
  if (S_ISREG(info.st_mode) && !StampOf(fd, &stamp)) return Status::kIoError;
  file->reset(new SourceFile(owned.Release(), S_ISREG(info.st_mode), stamp));
  return Status::kOk;
}

SourceFile::~SourceFile() { close(static_cast<int>(handle_)); }

Status SourceFile::Read(char* buffer, size_t capacity, size_t* count) {
  ssize_t got;
  do {
    got = read(static_cast<int>(handle_), buffer, capacity);
  } while (got < 0 && errno == EINTR);
  if (got < 0) {
    *count = 0;
    return StatusFromErrno(errno);
  }
  *count = static_cast<size_t>(got);
  return Status::kOk;
}

bool SourceFile::HasChanged() const {
  Stamp now;
  return regular_ && (!StampOf(static_cast<int>(handle_), &now) || !(now == stamp_));
}

Status SourceFile::Rewind() {
  if (!regular_) return Status::kIoError;
  if (lseek(static_cast<int>(handle_), 0, SEEK_SET) != 0 ||
      !StampOf(static_cast<int>(handle_), &stamp_)) {
    return StatusFromErrno(errno);
  }
  return Status::kOk;
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
