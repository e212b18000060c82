// Pieces the POSIX files of the platform layer share: an owned file
// descriptor, the mapping of errno to a Status, and the calls that not every
// POSIX system has (found by the build; see posix_optional.cc).
#ifndef VORTIQ_IO_POSIX_FILE_H_
#define VORTIQ_IO_POSIX_FILE_H_

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "base/status.h"

namespace vortiq {

// A file descriptor, closed when the object goes. -1 holds none.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.fd_, -1));
    return *this;
  }
  ~UniqueFd() { Reset(); }

  [[nodiscard]] int get() const { return fd_; }
  [[nodiscard]] explicit operator bool() const { return fd_ >= 0; }
  // Closes the descriptor held and holds `fd` instead.
  void Reset(int fd = -1) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }
  // Gives up the descriptor without closing it.
  int Release() { return std::exchange(fd_, -1); }

 private:
  int fd_ = -1;
};

// Splits `path` into its folder ("." for none, "/" for the root) and its last
// component, which is empty for a path that ends in '/'.
void SplitPath(std::string_view path, std::string* folder, std::string* name);

// OpenDirectory for a path of any length.
[[nodiscard]] int OpenFolder(const std::string& path);

// kNotFound for a missing file or directory, kAccessDenied for permissions and
// read-only file systems, kIoError for anything else.
[[nodiscard]] Status StatusFromErrno(int error);

// Whether OpenDirectory follows a link that `path` ends in.
enum class Links { kFollow, kRefuse };

// Opens the directory `path` (relative to the directory `at`, or absolute) for
// use with the *at calls; it need not be readable where the system allows
// that. Links on the way are followed as in any path; one that `path` ends in
// only with Links::kFollow. -1 with errno on failure.
[[nodiscard]] int OpenDirectory(int at, const std::string& path, Links links = Links::kFollow);

// The modification and the change time of a file in nanoseconds since 1970,
// or in whole seconds where the system keeps no finer time.
[[nodiscard]] int64_t ModificationTime(const struct stat& info);
[[nodiscard]] int64_t ChangeTime(const struct stat& info);

// Copies the extended attributes of one open file to another, POSIX ACLs among
// them, where the system has them; an attribute the caller may not set is
// passed over.
void CopyExtendedAttributes(int from, int to);

}  // namespace vortiq

#endif  // VORTIQ_IO_POSIX_FILE_H_
