// Pieces the Win32 platform layer shares: the mapping of Windows errors to a
// Status, path conversion, and the retry of file operations that another
// program blocks for a moment.
#ifndef VORTIQ_IO_WIN32_FILE_H_
#define VORTIQ_IO_WIN32_FILE_H_

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "base/status.h"
#include "io/platform.h"

namespace vortiq {

// kNotFound for a missing file or directory, kAccessDenied for permissions,
// read-only files and files in use, kIoError for anything else.
[[nodiscard]] Status StatusFromError(DWORD error);

// WTF-8 to UTF-16 and back; every Windows file name survives the round trip.
[[nodiscard]] std::wstring ToWide(std::string_view path);
[[nodiscard]] std::string ToWtf8(const std::wstring& path);

// The full form of `path` for the W functions. It carries the \\?\ prefix when
// it, or a path up to `longer` characters longer made from it (such as a
// temporary file's beside it), would not fit in MAX_PATH. A path that has the
// prefix, or whose full form cannot be had, is returned as it is.
[[nodiscard]] std::wstring ExtendedPath(const std::wstring& path, size_t longer = 0);

// ExtendedPath of a header path, decided on the longest path a run makes from
// it: its temporary file's.
[[nodiscard]] std::wstring HeaderPath(std::string_view header_path);

// Which ERROR_ACCESS_DENIED a retry waits out: that of a deletion still
// pending, or every one. Windows also denies a rename or a replacement while
// another program has the file in its way open, even sharing deletion.
enum class Denial { kDeletePending, kAny };

// True for an error that another program's brief hold on a file gives: a
// handle opened without the sharing asked for, a locked range, a replaced
// file that cannot be removed yet, a denial as `denial` says. Call it right
// after the failure: it also reads the thread's last NTSTATUS.
[[nodiscard]] bool IsBusyError(DWORD error, Denial denial);

// Calls `attempt` until it succeeds or fails for another reason than a busy
// file, pausing between attempts (kBusyPauses). `attempt` returns true on
// success and leaves the error in GetLastError on failure, which then holds
// the last attempt's error.
template <typename Attempt>
bool RetryWhileBusy(Attempt&& attempt, Denial denial = Denial::kDeletePending) {
  for (const int pause : kBusyPauses) {
    if (attempt()) return true;
    if (!IsBusyError(GetLastError(), denial)) return false;
    Sleep(static_cast<DWORD>(pause));
  }
  return attempt();
}

}  // namespace vortiq

#endif  // VORTIQ_IO_WIN32_FILE_H_
