// POSIX header files. The header's symbolic links are resolved here, link by
// link, each relative to an open handle of the directory it stands in, and the
// temporary file is created, renamed and removed relative to the handle of the
// directory found last: a link or directory swapped meanwhile cannot send the
// write elsewhere, and the folder part of the path has no length limit.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "io/fatal_signals_posix.h"
#include "io/generated_header.h"
#include "io/platform.h"
#include "io/posix_file.h"
#include "io/temporary_name.h"

namespace vortiq {
namespace {

constexpr int kMaxLinkHops = 40;  // as the kernel's own limit (ELOOP)
constexpr int kMaxNameAttempts = 100;
constexpr size_t kMaxLinkText = 1 << 16;

// The rule the Linux kernel applies with fs.protected_symlinks, applied
// whatever that says and to every folder that others may write to, sticky or
// not: a link there is followed only when it belongs to the caller, to the
// superuser or to the folder's owner, so that nobody can plant one that leads
// a privileged run to a file of their choosing.
bool MayFollow(const struct stat& folder, const struct stat& link) {
  const bool shared = (folder.st_mode & (S_IWGRP | S_IWOTH)) != 0;
  return !shared || link.st_uid == geteuid() || link.st_uid == 0 || link.st_uid == folder.st_uid;
}

// The rule of fs.protected_regular=2, applied whatever that says: in a sticky
// folder that others may write to, a file that belongs to neither the caller
// nor the folder's owner is not replaced.
bool MayReplace(const struct stat& folder, const struct stat& file) {
  const bool shared =
      (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & (S_IWGRP | S_IWOTH)) != 0;
  return !shared || file.st_uid == geteuid() || file.st_uid == folder.st_uid;
}

bool SameFile(const struct stat& info, const FileIdentity& identity) {
  return static_cast<uint64_t>(info.st_dev) == identity.volume &&
         static_cast<uint64_t>(info.st_ino) == identity.file;
}

// Whether the file `name` in `directory` is a header this tool wrote
// (IsGeneratedHeader). One that cannot be read cannot show it. Another run may
// have put its header there since the file was found: that one is judged.
bool IsGeneratedFile(int directory, const std::string& name) {
  int fd;
  do {
    fd = openat(directory, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  const UniqueFd file(fd);
  struct stat info;
  if (!file || fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  std::string start(kGeneratedHeaderProbe, '\0');
  size_t got = 0;
  while (got < start.size()) {
    const ssize_t count =
        pread(file.get(), start.data() + got, start.size() - got, static_cast<off_t>(got));
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return false;
    if (count == 0) break;
    got += static_cast<size_t>(count);
  }
  start.resize(got);
  return IsGeneratedHeader(start, static_cast<uint64_t>(info.st_size));
}

Status ReadLink(int directory, const std::string& name, std::string* text) {
  std::string buffer(256, '\0');
  for (;;) {
    const ssize_t length = readlinkat(directory, name.c_str(), buffer.data(), buffer.size());
    if (length < 0) return StatusFromErrno(errno);
    if (static_cast<size_t>(length) < buffer.size()) {
      buffer.resize(static_cast<size_t>(length));
      *text = std::move(buffer);
      return Status::kOk;
    }
    if (buffer.size() >= kMaxLinkText) return Status::kIoError;
    buffer.resize(buffer.size() * 2);
  }
}

// Where the header is: an open directory and a name in it, found by following
// the header path's links; the file need not exist.
struct Place {
  UniqueFd directory;
  std::string name;
  bool exists = false;
  struct stat info {};  // of the file, when it exists
};

// Whether the open directory `fd` is the root: its ".." is itself.
bool IsRoot(int fd) {
  struct stat self;
  struct stat parent;
  return fstat(fd, &self) == 0 && fstatat(fd, "..", &parent, 0) == 0 &&
         self.st_dev == parent.st_dev && self.st_ino == parent.st_ino;
}

// The root directory. Where "/" names something else (an emulator such as
// qemu-user maps it to the folder of the guest's libraries), it is found by
// climbing from the working directory.
int OpenRoot() {
  UniqueFd directory(OpenDirectory(AT_FDCWD, "/"));
  if (directory && IsRoot(directory.get())) return directory.Release();
  directory.Reset(OpenDirectory(AT_FDCWD, "."));
  for (int depth = 0; directory && !IsRoot(directory.get()); ++depth) {
    if (depth == 4096) return -1;
    directory.Reset(OpenDirectory(directory.get(), "..", Links::kRefuse));
  }
  return directory.Release();
}

// Pushes the components of `path` onto `pending`, the first on top. A path
// that ends in '/' names a directory: "." stands for that.
void PushComponents(std::string_view path, std::vector<std::string>* pending) {
  if (!path.empty() && path.back() == '/') pending->emplace_back(".");
  size_t end = path.size();
  while (end > 0) {
    const size_t slash = path.rfind('/', end - 1);
    const size_t start = slash == std::string_view::npos ? 0 : slash + 1;
    if (end > start) pending->emplace_back(path.substr(start, end - start));
    if (slash == std::string_view::npos) break;
    end = slash;
  }
}

// Walks the header path one component at a time, each relative to the open
// handle of the directory before it: every link, in the folder part as in the
// last component and in the paths links lead to, meets MayFollow, and nothing
// swapped meanwhile can send the walk elsewhere. Paths have no length limit.
Status Locate(const std::string& header_path, Place* place) {
  std::vector<std::string> pending;
  PushComponents(header_path, &pending);
  UniqueFd directory(header_path.starts_with('/') ? OpenRoot() : OpenDirectory(AT_FDCWD, "."));
  if (!directory) return StatusFromErrno(errno);
  int hops = 0;
  while (!pending.empty()) {
    const std::string name = std::move(pending.back());
    pending.pop_back();
    const bool last = pending.empty();
    if (last && (name == "." || name == "..")) return Status::kAccessDenied;  // a directory
    if (name == ".") continue;
    struct stat info;
    if (name != ".." && fstatat(directory.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno == ENOENT && last) {
        place->directory = std::move(directory);
        place->name = name;
        place->exists = false;  // a new header, or a dangling link's target
        return Status::kOk;
      }
      return StatusFromErrno(errno);
    }
    if (name != ".." && S_ISLNK(info.st_mode)) {
      struct stat folder;
      if (++hops > kMaxLinkHops) return Status::kIoError;
      if (fstat(directory.get(), &folder) != 0) return StatusFromErrno(errno);
      if (!MayFollow(folder, info)) return Status::kAccessDenied;
      std::string link;
      if (const Status status = ReadLink(directory.get(), name, &link); status != Status::kOk) {
        return status;
      }
      if (link.empty()) return Status::kNotFound;
      if (link.front() == '/') {
        directory.Reset(OpenRoot());
        if (!directory) return StatusFromErrno(errno);
      }
      PushComponents(link, &pending);
      continue;
    }
    if (last) {
      place->directory = std::move(directory);
      place->name = name;
      place->exists = true;
      place->info = info;
      return Status::kOk;
    }
    // A directory, opened without following a link put in its place meanwhile.
    UniqueFd next(OpenDirectory(directory.get(), name, Links::kRefuse));
    if (!next) return StatusFromErrno(errno);
    directory = std::move(next);
  }
  return Status::kAccessDenied;  // "" or "/"
}

// Entropy for a temporary file name: time, process and attempt.
uint64_t NameEntropy(int attempt) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<uint64_t>(now.tv_nsec) ^ (static_cast<uint64_t>(now.tv_sec) << 30) ^
         (static_cast<uint64_t>(getpid()) << 16) ^ static_cast<uint64_t>(attempt);
}

}  // namespace

struct HeaderFile::State {
  Place header;
  bool has_source = false;
  FileIdentity source;  // the file being read, which must stay
  UniqueFd file;        // the temporary file; closed once committed or discarded
  std::string temporary_name;
  int removal = -1;  // its registration for removal on a fatal signal
  bool committed = false;

  // Whether `info` is the file being read: the header must never take its place.
  [[nodiscard]] bool Replaces(const struct stat& info) const {
    return has_source && SameFile(info, source);
  }

  // Closes and removes the temporary file.
  void Discard() {
    const FatalSignalsHeld held;
    file.Reset();
    unlinkat(header.directory.get(), temporary_name.c_str(), 0);
    ForgetRemoval(removal);
    removal = -1;
  }

  // Gives the temporary file the owner and group of the old header, then its
  // permission bits (a change of owner clears the set-user-ID and set-group-ID
  // bits, so they come after it; each is kept only with the owner or group it
  // belongs to), then its extended attributes, POSIX ACLs among them; each as
  // far as the caller may. Read from the header as it is now, or as it was
  // found when it has gone meanwhile.
  Status KeepMetadata() {
    struct stat old = header.info;
    UniqueFd old_file(openat(header.directory.get(), header.name.c_str(),
                             O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat now;
    if (old_file && fstat(old_file.get(), &now) == 0 && S_ISREG(now.st_mode)) {
      old = now;
    } else {
      old_file.Reset();  // unreadable, or replaced by something else: no attributes
    }
    // The new file has the caller's owner, and the group of a set-group-ID
    // folder or the caller's.
    struct stat made;
    if (fstat(file.get(), &made) != 0) return StatusFromErrno(errno);
    if (old.st_uid != made.st_uid || old.st_gid != made.st_gid) {
      // Only the superuser may give a file away; anyone may pass it to a
      // group of their own.
      if (fchown(file.get(), old.st_uid, old.st_gid) != 0) {
        [[maybe_unused]] const int ignored = fchown(file.get(), static_cast<uid_t>(-1), old.st_gid);
      }
      if (fstat(file.get(), &made) != 0) return StatusFromErrno(errno);
    }
    mode_t mode = old.st_mode & 07777;
    if (made.st_uid != old.st_uid) mode &= ~static_cast<mode_t>(S_ISUID);
    if (made.st_gid != old.st_gid) mode &= ~static_cast<mode_t>(S_ISGID);
    if (fchmod(file.get(), mode) != 0) return StatusFromErrno(errno);
    if (old_file) CopyExtendedAttributes(old_file.get(), file.get());
    return Status::kOk;
  }
};

HeaderFile::HeaderFile(std::unique_ptr<State> state) : state_(std::move(state)) {}

Status HeaderFile::Create(const std::string& header_path, const FileIdentity* source,
                          std::unique_ptr<HeaderFile>* file) {
  auto state = std::make_unique<State>();
  Place& header = state->header;
  if (source != nullptr) {
    state->has_source = true;
    state->source = *source;
  }
  if (const Status status = Locate(header_path, &header); status != Status::kOk) return status;
  if (header.exists) {
    if (!S_ISREG(header.info.st_mode) || state->Replaces(header.info)) return Status::kAccessDenied;
    struct stat folder;
    if (fstat(header.directory.get(), &folder) != 0) return StatusFromErrno(errno);
    if (!MayReplace(folder, header.info)) return Status::kAccessDenied;
    // Refuse what an in-place rewrite would be refused, and a file without any
    // write permission even where the superuser could write it.
    if (faccessat(header.directory.get(), header.name.c_str(), W_OK, AT_EACCESS) != 0 ||
        (header.info.st_mode & 0222) == 0) {
      return Status::kAccessDenied;
    }
    // A file the user wrote by hand is kept.
    if (!IsGeneratedFile(header.directory.get(), header.name)) {
      return Status::kAccessDenied;
    }
  }
  // Nobody else may read the new header before it gets the old one's
  // permissions at Commit; a header made anew gets those of any new file.
  const mode_t mode = header.exists ? 0600 : 0666;
  for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
    std::string name = TemporaryName(header.name, NameEntropy(attempt));
    const FatalSignalsHeld held;  // the file exists only registered for removal
    // O_EXCL with O_NOFOLLOW: never reuse or follow something already there.
    const int fd = openat(header.directory.get(), name.c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) {
      if (errno == EEXIST || errno == EINTR) continue;
      return StatusFromErrno(errno);
    }
    state->file.Reset(fd);
    state->removal = RemoveOnFatalSignal(header.directory.get(), name);
    state->temporary_name = std::move(name);
    file->reset(new HeaderFile(std::move(state)));
    return Status::kOk;
  }
  return Status::kIoError;
}

HeaderFile::~HeaderFile() {
  if (!state_->committed) state_->Discard();
}

Status HeaderFile::Write(std::string_view bytes) {
  State& state = *state_;
  if (!state.file) return Status::kIoError;
  while (!bytes.empty()) {
    const ssize_t written = write(state.file.get(), bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return StatusFromErrno(errno);
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return Status::kOk;
}

Status HeaderFile::Commit() {
  State& state = *state_;
  if (!state.file || state.committed) return Status::kIoError;
  const auto fail = [&state](int error) {
    state.Discard();
    return StatusFromErrno(error);
  };
  if (state.header.exists) {
    if (const Status status = state.KeepMetadata(); status != Status::kOk) {
      state.Discard();
      return status;
    }
  }
  // The data must be on disk before the new name is, or a crash could leave an
  // empty header in place of the old one.
  if (fsync(state.file.get()) != 0) return fail(errno);
  if (close(state.file.Release()) != 0) return fail(errno);
  // Whatever took the header's name meanwhile, the source is never replaced.
  struct stat there;
  if (fstatat(state.header.directory.get(), state.header.name.c_str(), &there,
              AT_SYMLINK_NOFOLLOW) == 0 &&
      state.Replaces(there)) {
    return fail(EACCES);
  }
  const FatalSignalsHeld held;  // renamed and no longer to be removed, together
  if (renameat(state.header.directory.get(), state.temporary_name.c_str(),
               state.header.directory.get(), state.header.name.c_str()) != 0) {
    return fail(errno);
  }
  state.committed = true;
  ForgetRemoval(state.removal);
  state.removal = -1;
  return Status::kOk;
}

}  // namespace vortiq
