// Win32 implementation of the platform layer. Paths arrive as WTF-8 and go to
// the W functions as UTF-16; long paths get the \\?\ prefix. Every open and
// the replacement are tried again for a while when another program holds the
// file (win32_file.h).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/utf8.h"
#include "io/generated_header.h"
#include "io/platform.h"
#include "io/temporary_name.h"
#include "io/win32_file.h"

namespace vortiq {
namespace {

constexpr int kMaxNameAttempts = 100;
// Attributes a replaced header takes from the old one; a new header has none
// of them but the archive bit the system sets.
constexpr DWORD kFollowedAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
constexpr DWORD kKeptAttributes = kFollowedAttributes | FILE_ATTRIBUTE_ARCHIVE;
// Those SetFileAttributesW takes.
constexpr DWORD kSettableAttributes =
    kKeptAttributes | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_TEMPORARY;

// The path of the file an open handle refers to, links resolved.
bool FinalPathOf(HANDLE handle, std::wstring* path) {
  const DWORD needed = GetFinalPathNameByHandleW(handle, nullptr, 0, FILE_NAME_NORMALIZED);
  if (needed == 0) return false;
  std::wstring final_path(needed, L'\0');
  const DWORD length =
      GetFinalPathNameByHandleW(handle, final_path.data(), needed, FILE_NAME_NORMALIZED);
  if (length == 0 || length >= needed) return false;
  final_path.resize(length);
  *path = final_path;
  return true;
}

// FILETIME counts 100 ns from 1601; the stamps count nanoseconds from 1970.
constexpr int64_t kFileTimeTo1970 = 116444736000000000;

int64_t NanosecondsSince1970(int64_t file_time) { return (file_time - kFileTimeTo1970) * 100; }

// The volume serial number and file index of an open file.
bool IdentityOf(HANDLE handle, FileIdentity* identity) {
  BY_HANDLE_FILE_INFORMATION information{};
  if (!GetFileInformationByHandle(handle, &information)) return false;
  identity->volume = information.dwVolumeSerialNumber;
  identity->file =
      (static_cast<uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
  return true;
}

uint64_t NameEntropy(int attempt) {
  LARGE_INTEGER counter{};
  QueryPerformanceCounter(&counter);
  return static_cast<uint64_t>(counter.QuadPart) ^ (GetTickCount64() << 32) ^
         (static_cast<uint64_t>(GetCurrentProcessId()) << 16) ^ static_cast<uint64_t>(attempt);
}

}  // namespace

// ---- SourceFile

Status SourceFile::Open(const std::string& path, std::unique_ptr<SourceFile>* file) {
  // Shared with every other opener: an editor may save the source while it is
  // read, and HasChanged tells. A program that holds it without sharing
  // reading is waited for.
  const std::wstring wide = ExtendedPath(ToWide(path));
  HANDLE handle = INVALID_HANDLE_VALUE;
  if (!RetryWhileBusy([&] {
        handle = CreateFileW(wide.c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        return handle != INVALID_HANDLE_VALUE;
      })) {
    return StatusFromError(GetLastError());
  }
  const bool regular = GetFileType(handle) == FILE_TYPE_DISK;
  FileIdentity identity;
  if (regular && !IdentityOf(handle, &identity)) {
    const DWORD error = GetLastError();
    CloseHandle(handle);
    return StatusFromError(error);
  }
  file->reset(new SourceFile(reinterpret_cast<intptr_t>(handle), regular, identity));
  return Status::kOk;
}

SourceFile::~SourceFile() { CloseHandle(reinterpret_cast<HANDLE>(handle_)); }

Status SourceFile::ReadSome(uint64_t offset, char* buffer, size_t capacity, size_t* count) {
  *count = 0;
  const DWORD wanted = capacity > 0x40000000 ? 0x40000000 : static_cast<DWORD>(capacity);
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD got = 0;
  // On a handle opened for synchronous use, a read with an offset reads there.
  if (!::ReadFile(reinterpret_cast<HANDLE>(handle_), buffer, wanted, &got,
                  regular_ ? &at : nullptr)) {
    const DWORD error = GetLastError();
    return error == ERROR_HANDLE_EOF || error == ERROR_BROKEN_PIPE ? Status::kOk
                                                                   : StatusFromError(error);
  }
  *count = got;
  return Status::kOk;
}

bool SourceFile::WriterHoldsIt() const {
  if (!regular_) return false;
  // The same file opened again, sharing reading and deletion but not writing,
  // is refused while any handle with write access is open. For that instant
  // an editor's save in place meets a sharing violation, which editors retry.
  const HANDLE probe = ReOpenFile(reinterpret_cast<HANDLE>(handle_), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_DELETE, 0);
  if (probe == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
  CloseHandle(probe);
  return false;
}

void SourceFile::Pause(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }

bool SourceFile::TakeStamp(Stamp* stamp) const {
  const HANDLE handle = reinterpret_cast<HANDLE>(handle_);
  LARGE_INTEGER size{};
  FILE_BASIC_INFO times{};
  if (!GetFileSizeEx(handle, &size) ||
      !GetFileInformationByHandleEx(handle, FileBasicInfo, &times, sizeof times)) {
    return false;
  }
  stamp->size = size.QuadPart;
  stamp->modified = NanosecondsSince1970(times.LastWriteTime.QuadPart);
  stamp->changed = NanosecondsSince1970(times.ChangeTime.QuadPart);
  return true;
}

int64_t SourceFile::Now() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  return NanosecondsSince1970(
      static_cast<int64_t>((static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime));
}

// Plain memory: a first touch of a page costs little on Windows, and the
// 32-bit program has little address space to give to alignment.
char* AllocateSourceMemory(size_t* size) { return static_cast<char*>(std::malloc(*size)); }

void FreeSourceMemory(char* block) { std::free(block); }

// ---- HeaderFile

namespace {

// The header a run replaces: the file it is (where a link leads) and its
// attributes.
struct OldHeader {
  bool exists = false;
  std::wstring path;
  DWORD attributes = 0;
};

// Whether the open file is a header this tool wrote (IsGeneratedHeader).
bool IsGeneratedFile(HANDLE file) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) return false;
  std::string start(kGeneratedHeaderProbe, '\0');
  DWORD got = 0;
  OVERLAPPED at{};  // from the start
  if (!::ReadFile(file, start.data(), static_cast<DWORD>(start.size()), &got, &at) &&
      GetLastError() != ERROR_HANDLE_EOF) {
    return false;
  }
  start.resize(got);
  return IsGeneratedHeader(start, static_cast<uint64_t>(size.QuadPart));
}

// Finds the header at `path` and makes sure it may be replaced: not a folder,
// not read-only (refused, as a rewrite in place would be), writable, written
// by this tool (a hand-written include file stays), and not the file
// `source`. A header that is missing, or that goes while its deletion was
// pending, is no old header.
Status FindOldHeader(const std::wstring& path, const FileIdentity* source, OldHeader* old) {
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  HANDLE existing = INVALID_HANDLE_VALUE;
  // Opening it also shows that no one holds it without sharing writing.
  const bool found = RetryWhileBusy([&] {
    attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) return true;
    existing = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return existing != INVALID_HANDLE_VALUE;
  });
  if (!found) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND ? Status::kOk : StatusFromError(error);
  }
  if (existing == INVALID_HANDLE_VALUE) return Status::kAccessDenied;
  // The header must never take the place of the source it is made from.
  FileIdentity identity;
  if ((source != nullptr && (!IdentityOf(existing, &identity) || identity == *source)) ||
      !IsGeneratedFile(existing)) {
    CloseHandle(existing);
    return Status::kAccessDenied;
  }
  old->path = path;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) FinalPathOf(existing, &old->path);
  CloseHandle(existing);
  old->exists = true;
  const DWORD target_attributes = GetFileAttributesW(old->path.c_str());
  old->attributes = target_attributes != INVALID_FILE_ATTRIBUTES ? target_attributes : attributes;
  return Status::kOk;
}

// Creates a new temporary file beside `target`, open for writing and hidden
// (as the leading dot of its name hides it on POSIX).
Status CreateTemporary(const std::wstring& target, HANDLE* handle, std::wstring* temporary) {
  const size_t separator = target.find_last_of(L"\\/");
  const std::wstring directory =
      separator == std::wstring::npos ? L"." : target.substr(0, separator);
  const std::wstring name = separator == std::wstring::npos ? target : target.substr(separator + 1);
  for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
    std::wstring path =
        directory + L"\\" + ToWide(TemporaryName(ToWtf8(name), NameEntropy(attempt)));
    // CREATE_NEW never opens or follows anything already there.
    HANDLE created = INVALID_HANDLE_VALUE;
    if (RetryWhileBusy([&] {
          created = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_HIDDEN, nullptr);
          return created != INVALID_HANDLE_VALUE;
        })) {
      *handle = created;
      *temporary = std::move(path);
      return Status::kOk;
    }
    if (GetLastError() != ERROR_FILE_EXISTS) return StatusFromError(GetLastError());
  }
  return Status::kIoError;
}

// Gives the header in place the attributes of the one it replaced (none for a
// new header): the temporary file's hidden attribute goes.
void SetHeaderAttributes(const std::wstring& header, DWORD old_attributes) {
  const DWORD now = GetFileAttributesW(header.c_str());
  if (now == INVALID_FILE_ATTRIBUTES) return;
  const DWORD wanted =
      ((now & ~kFollowedAttributes) | (old_attributes & kKeptAttributes)) & kSettableAttributes;
  if (wanted != (now & kSettableAttributes)) {
    SetFileAttributesW(header.c_str(), wanted != 0 ? wanted : FILE_ATTRIBUTE_NORMAL);
  }
}

bool MoveIntoPlace(const std::wstring& temporary, const std::wstring& target) {
  return RetryWhileBusy(
      [&] {
        return MoveFileExW(temporary.c_str(), target.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
      },
      Denial::kAny);
}

}  // namespace

struct HeaderFile::State {
  HANDLE handle = INVALID_HANDLE_VALUE;
  std::wstring temporary_path;
  std::wstring target_path;  // the header, or the file its link leads to
  OldHeader old;
  bool done = false;  // committed, or the temporary file kept as the only copy

  void Close() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
  }
  // Closes and removes the temporary file.
  void Discard() {
    Close();
    DeleteFileW(temporary_path.c_str());
  }
};

HeaderFile::HeaderFile(std::unique_ptr<State> state) : state_(std::move(state)) {}

Status HeaderFile::Create(const std::string& header_path, const FileIdentity* source,
                          std::unique_ptr<HeaderFile>* file) {
  auto state = std::make_unique<State>();
  state->target_path = HeaderPath(header_path);
  if (const Status status = FindOldHeader(state->target_path, source, &state->old);
      status != Status::kOk) {
    return status;
  }
  if (state->old.exists) state->target_path = state->old.path;
  if (const Status status =
          CreateTemporary(state->target_path, &state->handle, &state->temporary_path);
      status != Status::kOk) {
    return status;
  }
  file->reset(new HeaderFile(std::move(state)));
  return Status::kOk;
}

HeaderFile::~HeaderFile() {
  if (!state_->done) state_->Discard();
}

Status HeaderFile::Write(std::string_view bytes) {
  if (state_->handle == INVALID_HANDLE_VALUE) return Status::kIoError;
  while (!bytes.empty()) {
    const DWORD wanted = bytes.size() > 0x40000000 ? 0x40000000 : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!WriteFile(state_->handle, bytes.data(), wanted, &written, nullptr)) {
      return StatusFromError(GetLastError());
    }
    if (written == 0) return Status::kIoError;
    bytes.remove_prefix(written);
  }
  return Status::kOk;
}

Status HeaderFile::Commit() {
  State& state = *state_;
  if (state.handle == INVALID_HANDLE_VALUE || state.done) return Status::kIoError;
  // The data must be on disk before the new name is.
  const bool flushed = FlushFileBuffers(state.handle) != 0;
  const DWORD flush_error = GetLastError();
  const bool closed = CloseHandle(state.handle) != 0;
  state.handle = INVALID_HANDLE_VALUE;
  if (!flushed || !closed) {
    const Status status = StatusFromError(flushed ? GetLastError() : flush_error);
    state.Discard();
    return status;
  }
  const std::wstring& target = state.target_path;
  const std::wstring& temporary = state.temporary_path;
  if (state.old.exists) {
    // ReplaceFileW keeps the old header's attributes, security and identity.
    const bool replaced = RetryWhileBusy(
        [&] {
          return ReplaceFileW(target.c_str(), temporary.c_str(), nullptr,
                              REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0;
        },
        Denial::kAny);
    if (!replaced) {
      const DWORD error = GetLastError();
      if (error != ERROR_UNABLE_TO_MOVE_REPLACEMENT) {
        state.Discard();
        return StatusFromError(error);
      }
      // The old header is gone already: the temporary file is the only copy
      // of the header. When it cannot take its place, it stays, not hidden.
      if (!MoveIntoPlace(temporary, target)) {
        const Status status = StatusFromError(GetLastError());
        SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
        state.done = true;
        return status;
      }
    }
  } else if (!MoveIntoPlace(temporary, target)) {
    const Status status = StatusFromError(GetLastError());
    state.Discard();
    return status;
  }
  SetHeaderAttributes(target, state.old.attributes);
  state.done = true;
  return Status::kOk;
}

// ---- Clock and paths

LocalTime ReadLocalClock() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return LocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

std::string PathToText(std::string_view path) { return Wtf8ToUtf8(path); }

}  // namespace vortiq
