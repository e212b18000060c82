// The helpers of win32_file.h.
#include "io/win32_file.h"

#include "base/utf8.h"
#include "io/temporary_name.h"

// In ntdll since Windows XP; the SDK headers of mingw-w64 do not declare it.
extern "C" __declspec(dllimport) LONG NTAPI RtlGetLastNtStatus();

namespace vortiq {
namespace {

// What ERROR_ACCESS_DENIED stands for when a file's deletion waits for the
// last handle on it to close.
constexpr LONG kStatusDeletePending = static_cast<LONG>(0xC0000056);

}  // namespace

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
    case ERROR_UNABLE_TO_REMOVE_REPLACED:
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

std::wstring ExtendedPath(const std::wstring& path, size_t longer) {
  if (path.rfind(L"\\\\?\\", 0) == 0) return path;
  const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return path;
  full.resize(length);
  // MAX_PATH counts the terminating zero.
  if (full.size() + longer < MAX_PATH) return full;
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::wstring HeaderPath(std::string_view header_path) {
  const size_t decoration = TemporaryName({}, 0).size();  // of an empty name
  return ExtendedPath(ToWide(header_path), decoration);
}

bool IsBusyError(DWORD error, Denial denial) {
  switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_UNABLE_TO_REMOVE_REPLACED:
      return true;
    case ERROR_ACCESS_DENIED:
      return denial == Denial::kAny || RtlGetLastNtStatus() == kStatusDeletePending;
    default:
      return false;
  }
}

}  // namespace vortiq
