// End-to-end tests of vortiq.exe: it is started with whole command lines, as the
// IDE starts it, on files in a temporary directory.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

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

// Runs vortiq.exe with `arguments` appended to its quoted path on the command line.
RunResult RunVortiq(const std::wstring& arguments) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  EXPECT_TRUE(CreatePipe(&read_end, &write_end, &inherit, 0));
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write_end;
  startup.hStdError = write_end;
  std::wstring command_line = L"\"" + HostPath(VORTIQ_EXECUTABLE) + L"\"";
  if (!arguments.empty()) command_line += L" " + arguments;
  PROCESS_INFORMATION process{};
  RunResult result;
  const BOOL started = CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE, 0,
                                      nullptr, nullptr, &startup, &process);
  CloseHandle(write_end);
  EXPECT_TRUE(started) << "CreateProcessW failed: " << GetLastError();
  if (started) {
    char buffer[256];
    DWORD got = 0;
    while (ReadFile(read_end, buffer, sizeof buffer, &got, nullptr) && got > 0) {
      result.output.append(buffer, got);
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &result.exit_code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  CloseHandle(read_end);
  return result;
}

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
  testing::WriteFile(dir.path() / "h.pbi", "old");
  ASSERT_TRUE(SetFileAttributesW((dir.path() / "h.pbi").wstring().c_str(), FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(RunVortiq(L"\"" + (dir.path() / "h.pb").wstring() + L"\"").exit_code, 0u);
  EXPECT_EQ(testing::ReadFile(dir.path() / "h.pbi"), "CompilerEndIf");  // an empty source
  EXPECT_NE(GetFileAttributesW((dir.path() / "h.pbi").wstring().c_str()) & FILE_ATTRIBUTE_HIDDEN,
            0u);

  testing::WriteFile(dir.path() / "r.pb", "Procedure A()\r\n");
  testing::WriteFile(dir.path() / "r.pbi", "old");
  ASSERT_TRUE(
      SetFileAttributesW((dir.path() / "r.pbi").wstring().c_str(), FILE_ATTRIBUTE_READONLY));
  const RunResult refused = RunVortiq(L"\"" + (dir.path() / "r.pb").wstring() + L"\"");
  EXPECT_EQ(refused.exit_code, 1u);
  EXPECT_EQ(refused.output, "");
  EXPECT_EQ(testing::ReadFile(dir.path() / "r.pbi"), "old");
  SetFileAttributesW((dir.path() / "r.pbi").wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"h.pb", "h.pbi", "r.pb", "r.pbi"}));
}

TEST(VortiqWin32Test, NothingToDoAndFailures) {
  TempDir dir;
  testing::WriteFile(dir.path() / "a.PB", "Procedure A()\r\n");
  EXPECT_EQ(RunVortiq(L"").exit_code, 0u);
  EXPECT_EQ(RunVortiq(L"\"" + (dir.path() / "a.PB").wstring() + L"\"").exit_code, 0u);
  EXPECT_EQ(RunVortiq(L"\"" + (dir.path() / "missing.pb").wstring() + L"\"").exit_code, 1u);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"a.PB"});
}

}  // namespace
}  // namespace vortiq
