// The part of the source file that every platform shares: telling whether the
// bytes read are one version of the file. A stamp (size, modification and
// change time) that differs after the last read shows a change. A stamp that
// is not older than the moment of opening shows nothing: a save may have been
// under way then, its time set as it began, and still be writing. Such a file
// is hashed as it is read and read once more at the end (as git treats a
// "racily clean" index entry).
#include <memory>

#include "io/platform.h"

namespace vortiq {
namespace {

constexpr size_t kCheckBufferSize = 64 * 1024;

}  // namespace

Status SourceFile::Start() {
  check_content_ = false;
  content_ = ContentHash();
  if (!regular_) return Status::kOk;
  const int64_t opened = Now();
  if (!TakeStamp(&stamp_)) return Status::kIoError;
  const int64_t settled = opened - kStampGranularity;
  check_content_ = stamp_.modified >= settled || stamp_.changed >= settled;
  return Status::kOk;
}

Status SourceFile::Read(char* buffer, size_t capacity, size_t* count) {
  const Status status = ReadSome(buffer, capacity, count);
  if (check_content_ && status == Status::kOk) content_.Update(std::string_view(buffer, *count));
  return status;
}

bool SourceFile::HasChanged() {
  if (!regular_) return false;
  Stamp now;
  if (!TakeStamp(&now) || !(now == stamp_)) return true;
  return check_content_ && ContentDiffers();
}

bool SourceFile::ContentDiffers() {
  // One byte more than was read shows a file that has grown.
  const size_t size = content_.length() < kCheckBufferSize
                          ? static_cast<size_t>(content_.length()) + 1
                          : kCheckBufferSize;
  const std::unique_ptr<char[]> buffer(new char[size]);
  ContentHash again;
  while (again.length() <= content_.length()) {
    size_t count = 0;
    if (ReadSomeAt(again.length(), buffer.get(), size, &count) != Status::kOk) {
      return true;
    }
    if (count == 0) break;
    again.Update(std::string_view(buffer.get(), count));
  }
  return again.length() != content_.length() || again.Digest() != content_.Digest();
}

Status SourceFile::Rewind() {
  if (!regular_) return Status::kIoError;
  if (const Status status = SeekToStart(); status != Status::kOk) return status;
  return Start();
}

}  // namespace vortiq
