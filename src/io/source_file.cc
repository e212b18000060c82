// The part of the source file that every platform shares: reading it whole,
// and telling whether the bytes read are one version of the file. A stamp
// (size, modification and change time) that differs after the reading shows a
// change. A stamp that is not older than the moment the reading began shows
// nothing: a save may have been under way then, its time set as it began, and
// still be writing. Such a file is read once more at the end and compared (as
// git treats a "racily clean" index entry). A writer paused in the middle of a
// write shows in neither: the platform asks whether one holds the file open.
#include <cstring>
#include <memory>

#include "io/platform.h"

namespace vortiq {
namespace {

constexpr size_t kCheckPiece = 64 * 1024;
constexpr size_t kFirstCapacity = 64 * 1024;  // of a pipe or device, whose size is unknown

}  // namespace

SourceBytes::~SourceBytes() { FreeSourceMemory(data_); }

bool SourceBytes::Reserve(size_t capacity) {
  char* const block = AllocateSourceMemory(&capacity);
  if (block == nullptr) return false;
  if (size_ > 0) std::memcpy(block, data_, size_);
  FreeSourceMemory(data_);
  data_ = block;
  capacity_ = capacity;
  return true;
}

Status SourceFile::ReadAll(SourceBytes* bytes) {
  check_content_ = false;
  bytes->size_ = 0;
  size_t expected = kFirstCapacity;
  if (regular_) {
    const int64_t began = Now();
    if (!TakeStamp(&stamp_)) return Status::kIoError;
    const int64_t settled = began - kStampGranularity;
    check_content_ = stamp_.modified >= settled || stamp_.changed >= settled;
    // One byte more than the file holds, so that its end is seen without
    // making room again.
    if (static_cast<uint64_t>(stamp_.size) >= SIZE_MAX) return Status::kIoError;
    expected = static_cast<size_t>(stamp_.size) + 1;
  }
  if (bytes->capacity_ < expected && !bytes->Reserve(expected)) return Status::kIoError;
  for (;;) {
    if (bytes->size_ == bytes->capacity_ &&
        (bytes->capacity_ > SIZE_MAX / 2 || !bytes->Reserve(bytes->capacity_ * 2))) {
      return Status::kIoError;  // a file that grows while it is read
    }
    size_t count = 0;
    if (const Status status = ReadSome(bytes->size_, bytes->data_ + bytes->size_,
                                       bytes->capacity_ - bytes->size_, &count);
        status != Status::kOk) {
      return status;
    }
    if (count == 0) return Status::kOk;
    bytes->size_ += count;
  }
}

Status SourceFile::ReadOneVersion(SourceBytes* bytes) {
  bool unchanged = false;
  for (int reading = 0; reading < 2 && !unchanged; ++reading) {
    if (const Status status = ReadAll(bytes); status != Status::kOk) return status;
    unchanged = !HasChanged(bytes->view());
  }
  if (!unchanged) return Status::kIoError;
  // Both readings may have seen the same torn bytes: a writer taken off the
  // processor in the middle of one write, its time stamped as the write began.
  // Only asking whether it still holds the file open can tell.
  if (!WriterHoldsIt()) return Status::kOk;
  for (const int pause : kBusyPauses) {
    Pause(pause);
    if (WriterHoldsIt()) continue;
    if (const Status status = ReadAll(bytes); status != Status::kOk) return status;
    if (HasChanged(bytes->view())) return Status::kIoError;
    if (!WriterHoldsIt()) return Status::kOk;
  }
  // Still held: a program may keep a file open for writing and not write it.
  // A second reading a moment later, compared byte for byte, must agree.
  if (const Status status = ReadAll(bytes); status != Status::kOk) return status;
  Pause(kSettle);
  check_content_ = true;
  return HasChanged(bytes->view()) ? Status::kIoError : Status::kOk;
}

bool SourceFile::HasChanged(std::string_view bytes) {
  if (!regular_) return false;
  Stamp now;
  if (!TakeStamp(&now) || !(now == stamp_)) return true;
  return check_content_ && ContentDiffers(bytes);
}

bool SourceFile::ContentDiffers(std::string_view bytes) {
  const std::unique_ptr<char[]> piece(new char[kCheckPiece]);
  // Read one byte past those held: a file that has grown differs.
  for (uint64_t offset = 0;;) {
    size_t count = 0;
    if (ReadSome(offset, piece.get(), kCheckPiece, &count) != Status::kOk) return true;
    if (count == 0) return offset != bytes.size();
    if (offset + count > bytes.size() ||
        std::memcmp(piece.get(), bytes.data() + offset, count) != 0) {
      return true;
    }
    offset += count;
  }
}

}  // namespace vortiq
