// End-to-end tests of vortiq.exe: it is started with whole command lines, as the
// IDE starts it, on files in a temporary directory.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/header_text.h"
#include "support/temp_dir.h"

namespace vortiq {
namespace {

using testing::TempDir;
using testing::WithFixedTime;

// A path from the build host: under Wine the host's root is drive Z:.
std::wstring HostPath(std::string_view path) {
  std::wstring wide(path.begin(), path.end());
  if (!wide.empty() && wide[0] == L'/') wide = L"Z:" + wide;
  for (wchar_t& c : wide) {
    if (c == L'/') c = L'\\';
  }
  return wide;
}

struct RunResult {
  DWORD exit_code = 0xFFFFFFFF;
  std::string output;  // whatever the program wrote to its standard handles
};

struct StartedRun {
  HANDLE process = nullptr;
  HANDLE output = nullptr;  // the read end of its standard handles' pipe
};

// Starts vortiq.exe with `arguments` appended to its quoted path on the command
// line.
StartedRun StartVortiq(const std::wstring& arguments) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  StartedRun run;
  HANDLE write_end = nullptr;
  EXPECT_TRUE(CreatePipe(&run.output, &write_end, &inherit, 0));
  SetHandleInformation(run.output, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write_end;
  startup.hStdError = write_end;
  std::wstring command_line = L"\"" + HostPath(VORTIQ_EXECUTABLE) + L"\"";
  if (!arguments.empty()) command_line += L" " + arguments;
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE, 0,
                                      nullptr, nullptr, &startup, &process);
  CloseHandle(write_end);
  EXPECT_TRUE(started) << "CreateProcessW failed: " << GetLastError();
  if (started) {
    CloseHandle(process.hThread);
    run.process = process.hProcess;
  }
  return run;
}

RunResult FinishVortiq(const StartedRun& run) {
  RunResult result;
  if (run.process != nullptr) {
    char buffer[256];
    DWORD got = 0;
    while (ReadFile(run.output, buffer, sizeof buffer, &got, nullptr) && got > 0) {
      result.output.append(buffer, got);
    }
    WaitForSingleObject(run.process, INFINITE);
    GetExitCodeProcess(run.process, &result.exit_code);
    CloseHandle(run.process);
  }
  CloseHandle(run.output);
  return result;
}

RunResult RunVortiq(const std::wstring& arguments) { return FinishVortiq(StartVortiq(arguments)); }

std::string Utf8(const std::wstring& text) {
  const std::u8string bytes = std::filesystem::path(text).u8string();
  return std::string(bytes.begin(), bytes.end());
}

std::string Header(std::string_view file_part, std::string_view body) {
  return testing::Prologue(file_part) + std::string(body) + "CompilerEndIf";
}

TEST(VortiqWin32Test, WorkedExampleByteForByte) {
  TempDir dir;
  testing::WriteFile(dir.path() / "demo.pb",
                     testing::ReadFile(HostPath(VORTIQ_EXAMPLES_DIR "/demo.pb")));
  const RunResult result = RunVortiq(L"\"" + (dir.path() / "demo.pb").wstring() + L"\"");
  EXPECT_EQ(result.exit_code, 0u);
  EXPECT_EQ(result.output, "");
  EXPECT_EQ(WithFixedTime(testing::ReadFile(dir.path() / "demo.pbi")),
            Header("demo.pb",
                   "Declare.i Add(a.i, b.i)\r\n"
                   "CompilerEndIf\r\nCompilerIf #PB_Compiler_Module = \"Shapes\"\r\n"
                   "Declare Draw()\r\n"
                   "CompilerEndIf\r\nCompilerIf #PB_Compiler_Module = \"\"\r\n"));
}

TEST(VortiqWin32Test, PathsWithSpacesQuotedOrNot) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "my src");
  const auto source = dir.path() / "my src" / "lib.pb";
  testing::WriteFile(source, "Procedure A()\r\n");
  EXPECT_EQ(RunVortiq(L"\"" + source.wstring() + L"\"").exit_code, 0u);
  EXPECT_EQ(WithFixedTime(testing::ReadFile(dir.path() / "my src" / "lib.pbi")),
            Header("lib.pb", "Declare A()\r\n"));
  std::filesystem::remove(dir.path() / "my src" / "lib.pbi");
  // Unquoted, with a run of two spaces: the parameters are joined with one.
  const std::wstring unquoted = (dir.path() / "my  src" / "lib.pb").wstring();
  EXPECT_EQ(RunVortiq(unquoted).exit_code, 0u);
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "my src" / "lib.pbi"));
}

TEST(VortiqWin32Test, NonAsciiFileName) {
  TempDir dir;
  const std::wstring name = L"\u00e9t\u00e9 \u20ac\u4e2d.pb";
  testing::WriteFile(dir.path() / name, "Procedure.s Caf\xC3\xA9()\r\n");
  EXPECT_EQ(RunVortiq(L"\"" + (dir.path() / name).wstring() + L"\"").exit_code, 0u);
  EXPECT_EQ(WithFixedTime(testing::ReadFile(dir.path() / (name + L"i"))),
            Header(Utf8(name), "Declare.s Caf\xC3\xA9()\r\n"));
}

TEST(VortiqWin32Test, HiddenHeaderIsRewrittenReadOnlyIsNot) {
  TempDir dir;
  testing::WriteFile(dir.path() / "h.pb", "");
  testing::WriteOldHeader(dir.path() / "h.pbi");
  ASSERT_TRUE(SetFileAttributesW((dir.path() / "h.pbi").wstring().c_str(), FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(RunVortiq(L"\"" + (dir.path() / "h.pb").wstring() + L"\"").exit_code, 0u);
  EXPECT_EQ(testing::ReadFile(dir.path() / "h.pbi"), "CompilerEndIf");  // an empty source
  EXPECT_NE(GetFileAttributesW((dir.path() / "h.pbi").wstring().c_str()) & FILE_ATTRIBUTE_HIDDEN,
            0u);

  testing::WriteFile(dir.path() / "r.pb", "Procedure A()\r\n");
  testing::WriteOldHeader(dir.path() / "r.pbi");
  ASSERT_TRUE(
      SetFileAttributesW((dir.path() / "r.pbi").wstring().c_str(), FILE_ATTRIBUTE_READONLY));
  const RunResult refused = RunVortiq(L"\"" + (dir.path() / "r.pb").wstring() + L"\"");
  EXPECT_EQ(refused.exit_code, 1u);
  EXPECT_EQ(refused.output, "");
  EXPECT_EQ(testing::ReadFile(dir.path() / "r.pbi"), testing::kOldHeader);
  SetFileAttributesW((dir.path() / "r.pbi").wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"h.pb", "h.pbi", "r.pb", "r.pbi"}));
}

// A hand-written include beside its source is kept; a generated header whose
// line ends were converted to LF is replaced.
TEST(VortiqWin32Test, OnlyGeneratedHeadersAreReplaced) {
  TempDir dir;
  testing::WriteFile(dir.path() / "lib.pb", "Procedure Demo()\r\n");
  testing::WriteFile(dir.path() / "lib.pbi", "Procedure Mine()\r\nEndProcedure\r\n");
  const RunResult kept = RunVortiq(L"\"" + (dir.path() / "lib.pb").wstring() + L"\"");
  EXPECT_EQ(kept.exit_code, 1u);
  EXPECT_EQ(kept.output, "");
  EXPECT_EQ(testing::ReadFile(dir.path() / "lib.pbi"), "Procedure Mine()\r\nEndProcedure\r\n");
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"lib.pb", "lib.pbi"}));

  std::string converted(testing::kOldHeader);
  std::erase(converted, '\r');
  testing::WriteFile(dir.path() / "lib.pbi", converted);
  EXPECT_EQ(RunVortiq(L"\"" + (dir.path() / "lib.pb").wstring() + L"\"").exit_code, 0u);
  EXPECT_EQ(WithFixedTime(testing::ReadFile(dir.path() / "lib.pbi")),
            Header("lib.pb", "Declare Demo()\r\n"));
}

TEST(VortiqWin32Test, NothingToDoAndFailures) {
  TempDir dir;
  testing::WriteFile(dir.path() / "a.PB", "Procedure A()\r\n");
  EXPECT_EQ(RunVortiq(L"").exit_code, 0u);
  EXPECT_EQ(RunVortiq(L"\"" + (dir.path() / "a.PB").wstring() + L"\"").exit_code, 0u);
  EXPECT_EQ(RunVortiq(L"\"" + (dir.path() / "missing.pb").wstring() + L"\"").exit_code, 1u);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"a.PB"});
}

std::wstring Quoted(const std::filesystem::path& path) { return L"\"" + path.wstring() + L"\""; }

// Opens `path` as another program would, sharing only what `sharing` allows.
HANDLE Hold(const std::filesystem::path& path, DWORD sharing) {
  return CreateFileW(path.wstring().c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Whether some process has `path` open for reading: an open that does not share
// reading is then refused.
bool IsOpenForReading(const std::filesystem::path& path) {
  const HANDLE probe = Hold(path, FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  if (probe == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
  CloseHandle(probe);
  return false;
}

// The entries of `dir` but the empty rf*.tmp files that Wine's ReplaceFileW
// leaves where it fails on a held file (Windows leaves none).
std::vector<std::string> EntriesOf(const TempDir& dir) {
  std::vector<std::string> entries;
  for (const std::string& name : dir.Entries()) {
    const bool wine_backup = name.starts_with("rf") && name.ends_with(".tmp") &&
                             std::filesystem::file_size(dir.path() / name) == 0;
    if (!wine_backup) entries.push_back(name);
  }
  return entries;
}

TEST(VortiqWin32Test, HeaderHeldForAMomentIsWaitedFor) {
  TempDir dir;
  testing::WriteFile(dir.path() / "x.pb", "Procedure A()\r\n");
  testing::WriteOldHeader(dir.path() / "x.pbi");
  // Held without sharing writing, as a second editor holds it.
  const HANDLE held = Hold(dir.path() / "x.pbi", FILE_SHARE_READ);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const StartedRun run = StartVortiq(Quoted(dir.path() / "x.pb"));
  ASSERT_NE(run.process, nullptr);
  // Once the run holds the source, it tries the header next.
  while (!IsOpenForReading(dir.path() / "x.pb") && WaitForSingleObject(run.process, 1) != 0) {
  }
  Sleep(300);
  CloseHandle(held);
  const RunResult result = FinishVortiq(run);
  EXPECT_EQ(result.exit_code, 0u);
  EXPECT_EQ(WithFixedTime(testing::ReadFile(dir.path() / "x.pbi")),
            Header("x.pb", "Declare A()\r\n"));
  EXPECT_EQ(EntriesOf(dir), (std::vector<std::string>{"x.pb", "x.pbi"}));
}

// A save in flight: the first half of the new text written over the old, the
// source held open for writing. The run waits for the writer to close it and
// reads the new text whole; a writer that never writes holds the run up for
// the pauses only.
TEST(VortiqWin32Test, SaveInFlightIsWaitedFor) {
  TempDir dir;
  const auto source = dir.path() / "f.pb";
  const std::string new_text = "Procedure New1()\r\nEndProcedure\r\nProcedure New2()\r\n";
  testing::WriteFile(source, "Procedure Old1()\r\nEndProcedure\r\nProcedure Old2()\r\n");
  const auto open_for_writing = [&source] {
    return CreateFileW(source.wstring().c_str(), GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  HANDLE writer = open_for_writing();
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  const DWORD half = static_cast<DWORD>(new_text.size() / 2);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(writer, new_text.data(), half, &written, nullptr));
  const StartedRun run = StartVortiq(Quoted(source));
  ASSERT_NE(run.process, nullptr);
  while (!IsOpenForReading(source) && WaitForSingleObject(run.process, 1) != 0) {
  }
  Sleep(300);
  ASSERT_TRUE(WriteFile(writer, new_text.data() + half, static_cast<DWORD>(new_text.size()) - half,
                        &written, nullptr));
  CloseHandle(writer);
  const RunResult result = FinishVortiq(run);
  EXPECT_EQ(result.exit_code, 0u);
  EXPECT_EQ(WithFixedTime(testing::ReadFile(dir.path() / "f.pbi")),
            Header("f.pb", "Declare New1()\r\nDeclare New2()\r\n"));

  writer = open_for_writing();
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(RunVortiq(Quoted(source)).exit_code, 0u);
  EXPECT_GE(GetTickCount64() - start, 2000u) << "it did not wait for the writer";
  CloseHandle(writer);
}

TEST(VortiqWin32Test, HeaderHeldLongerThanTheRetriesKeepsTheOldOne) {
  TempDir dir;
  testing::WriteFile(dir.path() / "x.pb", "Procedure A()\r\n");
  testing::WriteOldHeader(dir.path() / "x.pbi");
  // Shared for reading and writing but not deletion: only the replacement fails.
  const HANDLE held = Hold(dir.path() / "x.pbi", FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const ULONGLONG start = GetTickCount64();
  const RunResult result = RunVortiq(Quoted(dir.path() / "x.pb"));
  const ULONGLONG elapsed = GetTickCount64() - start;
  CloseHandle(held);
  EXPECT_EQ(result.exit_code, 1u);
  EXPECT_EQ(result.output, "");
  EXPECT_GE(elapsed, 1500u) << "it gave up without waiting";
  EXPECT_EQ(testing::ReadFile(dir.path() / "x.pbi"), testing::kOldHeader);
  EXPECT_EQ(EntriesOf(dir), (std::vector<std::string>{"x.pb", "x.pbi"}));
}

TEST(VortiqWin32Test, TwoRunsAtOnceBothWriteTheHeader) {
  TempDir dir;
  std::string source;
  std::string body;
  for (int i = 0; i < 20000; ++i) {
    source += "Procedure P" + std::to_string(i) + "(a.l)\r\nEndProcedure\r\n";
    body += "Declare P" + std::to_string(i) + "(a.l)\r\n";
  }
  testing::WriteFile(dir.path() / "same.pb", source);
  const StartedRun first = StartVortiq(Quoted(dir.path() / "same.pb"));
  const StartedRun second = StartVortiq(Quoted(dir.path() / "same.pb"));
  EXPECT_EQ(FinishVortiq(first).exit_code, 0u);
  EXPECT_EQ(FinishVortiq(second).exit_code, 0u);
  EXPECT_EQ(WithFixedTime(testing::ReadFile(dir.path() / "same.pbi")), Header("same.pb", body));
  EXPECT_EQ(EntriesOf(dir), (std::vector<std::string>{"same.pb", "same.pbi"}));
}

// A 32-bit program has 2 GiB of address space, and a procedure line of 700 MiB
// needs more: memory runs out, and the run fails as any other.
TEST(VortiqWin32Test, OutOfMemoryKeepsTheOldHeader) {
  TempDir dir;
  {
    std::ofstream source(dir.path() / "x.pb", std::ios::binary);
    source << "Procedure A(";
    const std::string parameters(1 << 20, 'a');
    for (int mib = 0; mib < 700; ++mib) source << parameters;
  }
  testing::WriteOldHeader(dir.path() / "x.pbi");
  const RunResult result = RunVortiq(Quoted(dir.path() / "x.pb"));
  EXPECT_EQ(result.exit_code, 1u);
  EXPECT_EQ(result.output, "");
  EXPECT_EQ(testing::ReadFile(dir.path() / "x.pbi"), testing::kOldHeader);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"x.pb", "x.pbi"}));
}

}  // namespace
}  // namespace vortiq
