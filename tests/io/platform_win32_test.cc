#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <gtest/gtest.h>
#include <windows.h>

#include "io/platform.h"
#include "io/win32_file.h"
#include "support/temp_dir.h"

namespace vortiq {
namespace {

using testing::TempDir;

std::string Utf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

DWORD AttributesOf(const std::filesystem::path& path) {
  return GetFileAttributesW(path.wstring().c_str());
}

Status WriteHeader(const std::filesystem::path& path, std::string_view bytes, bool commit = true) {
  std::unique_ptr<HeaderFile> file;
  if (const Status status = HeaderFile::Create(Utf8(path), nullptr, &file); status != Status::kOk) {
    return status;
  }
  if (const Status status = file->Write(bytes); status != Status::kOk) return status;
  return commit ? file->Commit() : Status::kOk;
}

TEST(HeaderFileWin32Test, ReplacesAndLeavesNoTemporaryFile) {
  TempDir dir;
  const auto header = dir.path() / u8"\u00e9t\u00e9 \u20ac.pbi";
  testing::WriteOldHeader(header);
  ASSERT_EQ(WriteHeader(header, "new"), Status::kOk);
  EXPECT_EQ(testing::ReadFile(header), "new");
  ASSERT_EQ(WriteHeader(dir.path() / "fresh.pbi", "x", /*commit=*/false), Status::kOk);
  EXPECT_EQ(dir.Entries().size(), 1u);
}

TEST(HeaderFileWin32Test, HiddenHeaderIsRewrittenAndStaysHidden) {
  TempDir dir;
  const auto header = dir.path() / "h.pbi";
  testing::WriteOldHeader(header);
  ASSERT_TRUE(SetFileAttributesW(header.wstring().c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_EQ(WriteHeader(header, "new"), Status::kOk);
  EXPECT_EQ(testing::ReadFile(header), "new");
  EXPECT_NE(AttributesOf(header) & FILE_ATTRIBUTE_HIDDEN, 0u);
}

TEST(HeaderFileWin32Test, ReadOnlyHeaderIsRefusedUntouched) {
  TempDir dir;
  const auto header = dir.path() / "ro.pbi";
  testing::WriteOldHeader(header);
  ASSERT_TRUE(SetFileAttributesW(header.wstring().c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(WriteHeader(header, "new"), Status::kAccessDenied);
  SetFileAttributesW(header.wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(testing::ReadFile(header), testing::kOldHeader);
  EXPECT_EQ(dir.Entries().size(), 1u);
  EXPECT_EQ(WriteHeader(dir.path() / "missing" / "x.pbi", "new"), Status::kNotFound);
}

TEST(HeaderFileWin32Test, LongPath) {
  TempDir dir;
  // Directories made with the \\?\ prefix; the header path is given without it.
  std::wstring deep = L"\\\\?\\" + dir.path().wstring();
  for (wchar_t letter = L'a'; letter < L'g'; ++letter) {
    deep += L"\\" + std::wstring(50, letter);
    ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
  }
  const std::wstring header = deep + L"\\long.pbi";
  ASSERT_GT(header.size(), static_cast<size_t>(MAX_PATH) + 4);
  ASSERT_EQ(WriteHeader(header.substr(4), "deep"), Status::kOk);
  std::unique_ptr<SourceFile> source;
  ASSERT_EQ(SourceFile::Open(Utf8(header.substr(4)), &source), Status::kOk);
  SourceBytes read;
  ASSERT_EQ(source->ReadAll(&read), Status::kOk);
  EXPECT_EQ(read.view(), "deep");
  source.reset();
  // Clean up what plain paths cannot reach.
  EXPECT_TRUE(DeleteFileW(header.c_str()));
  for (wchar_t letter = L'f'; letter >= L'a'; --letter) {
    EXPECT_TRUE(RemoveDirectoryW(deep.c_str()));
    deep.resize(deep.size() - 51);
  }
}

TEST(HeaderFileWin32Test, OnlyAHiddenOldHeaderLeavesTheHeaderHidden) {
  TempDir dir;
  const auto fresh = dir.path() / "fresh.pbi";
  std::unique_ptr<HeaderFile> file;
  ASSERT_EQ(HeaderFile::Create(Utf8(fresh), nullptr, &file), Status::kOk);
  ASSERT_EQ(dir.Entries().size(), 1u);
  EXPECT_NE(AttributesOf(dir.path() / dir.Entries()[0]) & FILE_ATTRIBUTE_HIDDEN, 0u);
  ASSERT_EQ(file->Commit(), Status::kOk);
  EXPECT_EQ(AttributesOf(fresh) & FILE_ATTRIBUTE_HIDDEN, 0u);
  ASSERT_EQ(WriteHeader(fresh, "again"), Status::kOk);  // replaced
  EXPECT_EQ(AttributesOf(fresh) & FILE_ATTRIBUTE_HIDDEN, 0u);
}

TEST(SourceFileWin32Test, SharedWithEditorsThatSave) {
  TempDir dir;
  const auto path = dir.path() / "s.pb";
  testing::WriteFile(path, "abc");
  std::unique_ptr<SourceFile> source;
  ASSERT_EQ(SourceFile::Open(Utf8(path), &source), Status::kOk);
  SourceBytes read;
  ASSERT_EQ(source->ReadAll(&read), Status::kOk);
  EXPECT_EQ(read.view(), "abc");
  // An editor saves meanwhile, and a second run reads.
  const HANDLE editor = CreateFileW(path.wstring().c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(editor, INVALID_HANDLE_VALUE) << GetLastError();
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(editor, "xyz", 3, &written, nullptr));
  CloseHandle(editor);
  std::unique_ptr<SourceFile> second;
  EXPECT_EQ(SourceFile::Open(Utf8(path), &second), Status::kOk);
  EXPECT_TRUE(source->HasChanged(read.view()));

  EXPECT_EQ(SourceFile::Open(Utf8(dir.path() / "none.pb"), &source), Status::kNotFound);
  // Denied for good, not busy: no waiting.
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(SourceFile::Open(Utf8(dir.path()), &source), Status::kAccessDenied);
  EXPECT_LT(GetTickCount64() - start, 1000u);
}

// A header's temporary file has a path 14 characters longer, and a path for
// the plain W functions has at most MAX_PATH - 1 = 259.
TEST(PlatformWin32Test, HeaderPathHasThePrefixWhereTheTemporaryFileNeedsIt) {
  for (size_t length = 240; length <= 270; ++length) {
    const std::string header = "C:\\" + std::string(length - 7, 'a') + ".pbi";
    const std::wstring plain(header.begin(), header.end());
    const std::wstring expected = length + 14 < MAX_PATH ? plain : L"\\\\?\\" + plain;
    EXPECT_TRUE(HeaderPath(header) == expected) << length;
  }
  const std::wstring name(250, L'a');
  EXPECT_TRUE(ExtendedPath(L"\\\\host\\share\\" + name) == L"\\\\?\\UNC\\host\\share\\" + name);
  EXPECT_TRUE(ExtendedPath(L"C:\\x/y\\..\\z.pbi") == L"C:\\x\\z.pbi");
}

TEST(PlatformWin32Test, PathToTextAndClock) {
  const std::string unpaired =
      "a\xED\xA0\x80"
      "b";  // U+D800 alone, as WTF-8
  EXPECT_EQ(PathToText(unpaired),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_NE(Date(ReadLocalClock()), kNoDate);
}

}  // namespace
}  // namespace vortiq
