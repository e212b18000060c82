// Win32 implementation of the platform layer. Paths arrive as WTF-8 and go to
// the W functions as UTF-16; long paths get the \\?\ prefix.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <cstdint>
#include <string>

#include "base/utf8.h"
#include "io/platform.h"
#include "io/temporary_name.h"

namespace vortiq {
namespace {

constexpr int kMaxNameAttempts = 100;
// Attributes a replaced header keeps.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

Status StatusFromError(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
      return Status::kNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return Status::kAccessDenied;
    default:
      return Status::kIoError;
  }
}

std::wstring ToWide(std::string_view path) {
  const std::u16string utf16 = Wtf8ToUtf16(path);
  return std::wstring(utf16.begin(), utf16.end());
}

std::string ToWtf8(const std::wstring& path) {
  return Utf16ToWtf8(std::u16string(path.begin(), path.end()));
}

// The full form of `path`, with the \\?\ prefix where it is too long for the
// plain form.
std::wstring ExtendedPath(const std::wstring& path) {
  if (path.rfind(L"\\\\?\\", 0) == 0) return path;
  const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return path;
  full.resize(length);
  if (full.size() < MAX_PATH - 12) return full;  // room for an 8.3 name in a directory
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

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
  // Share mode 0: nobody else may open the source while it is read.
  const HANDLE handle = CreateFileW(ExtendedPath(ToWide(path)).c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr) return StatusFromError(GetLastError());
  const bool regular = GetFileType(handle) == FILE_TYPE_DISK;
  FileIdentity identity;
  if (regular && !IdentityOf(handle, &identity)) {
    const DWORD error = GetLastError();
    CloseHandle(handle);
    return StatusFromError(error);
  }
  std::unique_ptr<SourceFile> opened(
      new SourceFile(reinterpret_cast<intptr_t>(handle), regular, identity));
  if (const Status status = opened->Start(); status != Status::kOk) return status;
  *file = std::move(opened);
  return Status::kOk;
}

SourceFile::~SourceFile() { CloseHandle(reinterpret_cast<HANDLE>(handle_)); }

Status SourceFile::ReadSome(char* buffer, size_t capacity, size_t* count) {
  *count = 0;
  const DWORD wanted = capacity > 0x40000000 ? 0x40000000 : static_cast<DWORD>(capacity);
  DWORD got = 0;
  if (!::ReadFile(reinterpret_cast<HANDLE>(handle_), buffer, wanted, &got, nullptr)) {
    return StatusFromError(GetLastError());
  }
  *count = got;
  return Status::kOk;
}

Status SourceFile::ReadSomeAt(uint64_t offset, char* buffer, size_t capacity, size_t* count) {
  *count = 0;
  const DWORD wanted = capacity > 0x40000000 ? 0x40000000 : static_cast<DWORD>(capacity);
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD got = 0;
  // On a handle opened for synchronous use this reads at the offset given; it
  // moves the file pointer, which only the end of the run follows.
  if (!::ReadFile(reinterpret_cast<HANDLE>(handle_), buffer, wanted, &got, &at)) {
    const DWORD error = GetLastError();
    return error == ERROR_HANDLE_EOF ? Status::kOk : StatusFromError(error);
  }
  *count = got;
  return Status::kOk;
}

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

Status SourceFile::SeekToStart() {
  LARGE_INTEGER start{};
  if (!SetFilePointerEx(reinterpret_cast<HANDLE>(handle_), start, nullptr, FILE_BEGIN)) {
    return StatusFromError(GetLastError());
  }
  return Status::kOk;
}

// ---- HeaderFile

struct HeaderFile::State {
  HANDLE handle = INVALID_HANDLE_VALUE;
  std::wstring temporary_path;
  std::wstring target_path;  // the header, or the file its link leads to
  bool replaces = false;     // a header exists and is replaced
  DWORD old_attributes = 0;
  bool committed = false;

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
  state->target_path = ExtendedPath(ToWide(header_path));
  const DWORD attributes = GetFileAttributesW(state->target_path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) return StatusFromError(error);
  } else {
    // A read-only header is refused, as a rewrite in place would be; a hidden
    // one is rewritten and stays hidden.
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) {
      return Status::kAccessDenied;
    }
    // Opening it shows that it may be written and that no one holds it
    // without sharing, and where a link leads.
    const HANDLE existing = CreateFileW(state->target_path.c_str(), GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (existing == INVALID_HANDLE_VALUE) return StatusFromError(GetLastError());
    // The header must never take the place of the source it is made from.
    FileIdentity identity;
    if (source != nullptr && (!IdentityOf(existing, &identity) || identity == *source)) {
      CloseHandle(existing);
      return Status::kAccessDenied;
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) FinalPathOf(existing, &state->target_path);
    CloseHandle(existing);
    state->replaces = true;
    state->old_attributes = GetFileAttributesW(state->target_path.c_str());
  }

  const size_t separator = state->target_path.find_last_of(L"\\/");
  const std::wstring directory =
      separator == std::wstring::npos ? L"." : state->target_path.substr(0, separator);
  const std::wstring name = separator == std::wstring::npos
                                ? state->target_path
                                : state->target_path.substr(separator + 1);
  for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
    std::wstring temporary =
        directory + L"\\" + ToWide(TemporaryName(ToWtf8(name), NameEntropy(attempt)));
    // CREATE_NEW never opens or follows anything already there.
    const HANDLE handle = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS) continue;
      return StatusFromError(GetLastError());
    }
    state->handle = handle;
    state->temporary_path = std::move(temporary);
    file->reset(new HeaderFile(std::move(state)));
    return Status::kOk;
  }
  return Status::kIoError;
}

HeaderFile::~HeaderFile() {
  if (!state_->committed) state_->Discard();
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

Status HeaderFile::Restart() {
  const HANDLE handle = state_->handle;
  LARGE_INTEGER start{};
  if (handle == INVALID_HANDLE_VALUE) return Status::kIoError;
  if (!SetFilePointerEx(handle, start, nullptr, FILE_BEGIN) || !SetEndOfFile(handle)) {
    return StatusFromError(GetLastError());
  }
  return Status::kOk;
}

Status HeaderFile::Commit() {
  State& state = *state_;
  if (state.handle == INVALID_HANDLE_VALUE || state.committed) return Status::kIoError;
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
  const wchar_t* target = state.target_path.c_str();
  const wchar_t* temporary = state.temporary_path.c_str();
  if (state.replaces) {
    // ReplaceFileW keeps the old header's attributes, security and identity.
    if (!ReplaceFileW(target, temporary, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                      nullptr)) {
      const DWORD error = GetLastError();
      // The old header is gone already: put the new one in its place.
      if (error != ERROR_UNABLE_TO_MOVE_REPLACEMENT ||
          !MoveFileExW(temporary, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        state.Discard();
        return StatusFromError(error);
      }
    }
    const DWORD kept = state.old_attributes & kKeptAttributes;
    const DWORD now = GetFileAttributesW(target);
    if (now != INVALID_FILE_ATTRIBUTES && (now & kept) != kept) {
      SetFileAttributesW(target, (now & ~FILE_ATTRIBUTE_NORMAL) | kept);
    }
  } else if (!MoveFileExW(temporary, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const Status status = StatusFromError(GetLastError());
    state.Discard();
    return status;
  }
  state.committed = true;
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
