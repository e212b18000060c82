// The calls of the POSIX layer that only some systems have. The build tries
// each (cmake/posix_features.cmake) and says here which it found; without one,
// the plain POSIX way is taken.
#include <errno.h>
#include <fcntl.h>

#include <string>

#include "io/posix_file.h"
#include "posix_features.h"

#if VORTIQ_HAVE_XATTR
#include <sys/xattr.h>
#endif

namespace vortiq {

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

int OpenDirectory(int at, const std::string& path, Links links) {
#if VORTIQ_HAVE_O_PATH
  // Only a handle for the *at calls: search permission is enough.
  constexpr int kFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
  constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif
  const int flags = links == Links::kFollow ? kFlags : kFlags | O_NOFOLLOW;
  int fd;
  do {
    fd = openat(at, path.c_str(), flags);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

int64_t ModificationTime(const struct stat& info) {
#if VORTIQ_HAVE_ST_MTIM
  return static_cast<int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
#else
  return static_cast<int64_t>(info.st_mtime) * 1'000'000'000;
#endif
}

int64_t ChangeTime(const struct stat& info) {
#if VORTIQ_HAVE_ST_MTIM
  return static_cast<int64_t>(info.st_ctim.tv_sec) * 1'000'000'000 + info.st_ctim.tv_nsec;
#else
  return static_cast<int64_t>(info.st_ctime) * 1'000'000'000;
#endif
}

void StartWriteBack([[maybe_unused]] int fd, [[maybe_unused]] uint64_t offset,
                    [[maybe_unused]] uint64_t length) {
#if VORTIQ_HAVE_SYNC_FILE_RANGE
  sync_file_range(fd, static_cast<off_t>(offset), static_cast<off_t>(length),
                  SYNC_FILE_RANGE_WRITE);
#endif
}

void CopyExtendedAttributes([[maybe_unused]] int from, [[maybe_unused]] int to) {
#if VORTIQ_HAVE_XATTR
  // Names and values may change between the call that sizes and the one that
  // reads; such an attribute is passed over.
  const ssize_t names_size = flistxattr(from, nullptr, 0);
  if (names_size <= 0) return;
  std::string names(static_cast<size_t>(names_size), '\0');
  const ssize_t got = flistxattr(from, names.data(), names.size());
  if (got <= 0) return;
  names.resize(static_cast<size_t>(got));
  std::string value;
  for (size_t at = 0; at < names.size();) {
    const char* const name = names.c_str() + at;  // each name ends with a zero byte
    at += std::char_traits<char>::length(name) + 1;
    const ssize_t size = fgetxattr(from, name, nullptr, 0);
    if (size < 0) continue;
    value.resize(static_cast<size_t>(size));
    const ssize_t read = fgetxattr(from, name, value.data(), value.size());
    if (read < 0) continue;
    [[maybe_unused]] const int ignored =
        fsetxattr(to, name, value.data(), static_cast<size_t>(read), 0);
  }
#endif
}

}  // namespace vortiq
