// POSIX implementation of the platform layer.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "io/platform.h"
#include "io/temporary_name.h"
#include "io/utf8.h"

namespace vortiq {
namespace {

constexpr int kMaxLinkHops = 40;  // as the kernel's own limit (ELOOP)
constexpr int kMaxNameAttempts = 100;

Status StatusFromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return Status::kNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
      return Status::kAccessDenied;
    default:
      return Status::kIoError;
  }
}

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Follows symbolic links from `path` to the file they lead to, which need not exist.
Status ResolveLinks(std::string path, std::string* target) {
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
      *target = path;
      return Status::kOk;
    }
    std::string link(static_cast<size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
    const ssize_t length = readlink(path.c_str(), link.data(), link.size());
    if (length < 0) return StatusFromErrno(errno);
    if (static_cast<size_t>(length) >= link.size()) return Status::kIoError;  // changed meanwhile
    link.resize(static_cast<size_t>(length));
    path = (link.front() == '/') ? link : DirectoryOf(path) + "/" + link;
  }
  return Status::kIoError;
}

// Entropy for a temporary file name: time, process and attempt.
uint64_t NameEntropy(int attempt) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<uint64_t>(now.tv_nsec) ^ (static_cast<uint64_t>(now.tv_sec) << 30) ^
         (static_cast<uint64_t>(getpid()) << 16) ^ static_cast<uint64_t>(attempt);
}

}  // namespace

// ---- SourceFile

Status SourceFile::Open(const std::string& path, std::unique_ptr<SourceFile>* file) {
  int fd;
  do {
    fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return StatusFromErrno(errno);
  struct stat info;
  if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    close(fd);
    return Status::kAccessDenied;
  }
  file->reset(new SourceFile(fd, S_ISREG(info.st_mode)));
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

// ---- HeaderFile

struct HeaderFile::State {
  int fd = -1;  // -1 once closed
  std::string temporary_path;
  std::string target_path;  // the header, or the file its link leads to
  bool committed = false;
  uint64_t written = 0;     // bytes written so far
  uint64_t write_back = 0;  // bytes already handed to the disk

  // Starts writing each large stretch of the file to disk while later ones are
  // produced, so the fsync at the end waits only for the last of them.
  void StartWriteBack() {
#if defined(__linux__)
    constexpr uint64_t kStretch = 1 << 20;
    if (written - write_back < kStretch) return;
    // Only a hint: the fsync in Commit still decides.
    sync_file_range(fd, static_cast<off_t>(write_back), static_cast<off_t>(written - write_back),
                    SYNC_FILE_RANGE_WRITE);
    write_back = written;
#endif
  }

  // Closes and removes the temporary file.
  void Discard() {
    if (fd >= 0) close(fd);
    fd = -1;
    unlink(temporary_path.c_str());
  }
};

HeaderFile::HeaderFile(std::unique_ptr<State> state) : state_(std::move(state)) {}

Status HeaderFile::Create(const std::string& header_path, std::unique_ptr<HeaderFile>* file) {
  std::string target;
  if (const Status status = ResolveLinks(header_path, &target); status != Status::kOk) {
    return status;
  }
  struct stat old_header;
  const bool exists = stat(target.c_str(), &old_header) == 0;
  if (exists) {
    if (!S_ISREG(old_header.st_mode)) return Status::kAccessDenied;
    // Refuse what an in-place rewrite would be refused, and a file without any
    // write permission even where the superuser could write it.
    if (faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0 ||
        (old_header.st_mode & 0222) == 0) {
      return Status::kAccessDenied;
    }
  } else if (errno != ENOENT) {
    return StatusFromErrno(errno);
  }

  const std::string directory = DirectoryOf(target);
  const std::string name = target.substr(target.rfind('/') + 1);
  for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
    std::string temporary = directory + "/" + TemporaryName(name, NameEntropy(attempt));
    // O_EXCL with O_NOFOLLOW: never reuse or follow something already there.
    const int fd =
        open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST || errno == EINTR) continue;
      return StatusFromErrno(errno);
    }
    auto state = std::make_unique<State>();
    state->fd = fd;
    state->temporary_path = std::move(temporary);
    state->target_path = target;
    file->reset(new HeaderFile(std::move(state)));
    if (exists) {
      // Keep the old header's permission bits and, where allowed, its owner.
      if (fchmod(fd, old_header.st_mode & 07777) != 0) {
        const Status status = StatusFromErrno(errno);
        file->reset();
        return status;
      }
      if (old_header.st_uid != geteuid() || old_header.st_gid != getegid()) {
        [[maybe_unused]] const int ignored = fchown(fd, old_header.st_uid, old_header.st_gid);
      }
    }
    return Status::kOk;
  }
  return Status::kIoError;
}

HeaderFile::~HeaderFile() {
  if (!state_->committed) state_->Discard();
}

Status HeaderFile::Write(std::string_view bytes) {
  if (state_->fd < 0) return Status::kIoError;
  while (!bytes.empty()) {
    const ssize_t written = write(state_->fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return StatusFromErrno(errno);
    }
    bytes.remove_prefix(static_cast<size_t>(written));
    state_->written += static_cast<uint64_t>(written);
  }
  state_->StartWriteBack();
  return Status::kOk;
}

Status HeaderFile::Commit() {
  State& state = *state_;
  if (state.fd < 0 || state.committed) return Status::kIoError;
  const int fd = state.fd;
  state.fd = -1;
  // The data must be on disk before the new name is, or a crash could leave an
  // empty header in place of the old one.
  const bool synced = fsync(fd) == 0;
  const int sync_error = errno;
  if (close(fd) != 0 || !synced) {
    const Status status = StatusFromErrno(synced ? errno : sync_error);
    state.Discard();
    return status;
  }
  if (rename(state.temporary_path.c_str(), state.target_path.c_str()) != 0) {
    const Status status = StatusFromErrno(errno);
    state.Discard();
    return status;
  }
  state.committed = true;
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
