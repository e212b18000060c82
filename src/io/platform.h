// What the tool needs from the operating system: reading the source whole,
// replacing the header safely, the local clock, and showing a path as text. One
// implementation per platform (platform_posix.cc, platform_win32.cc), chosen by
// the build.
//
// Paths are the platform's own: bytes as given on POSIX, WTF-8 on Windows (UTF-8
// that also carries unpaired surrogates, so every Windows file name fits).
#ifndef VORTIQ_IO_PLATFORM_H_
#define VORTIQ_IO_PLATFORM_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/status.h"
#include "io/time_stamp.h"

namespace vortiq {

// Which file an open handle refers to: the device (volume) and the file's
// number on it, the same through every link, bind mount or "..".
struct FileIdentity {
  uint64_t volume = 0;
  uint64_t file = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// The pauses, in milliseconds, while another program holds a file that the run
// needs: growing, about two seconds in all, which outlasts a virus scanner's or
// an indexer's look at a small file, or a save in flight.
inline constexpr int kBusyPauses[] = {10, 20, 40, 80, 150, 300, 400, 500, 500};

// The bytes of a whole source, held in memory the platform layer gives
// (AllocateSourceMemory).
class SourceBytes {
 public:
  SourceBytes() = default;
  ~SourceBytes();
  SourceBytes(const SourceBytes&) = delete;
  SourceBytes& operator=(const SourceBytes&) = delete;

  [[nodiscard]] std::string_view view() const { return {data_, size_}; }

 private:
  friend class SourceFile;
  // Makes room for `capacity` bytes, keeping those held; false when memory
  // cannot be had.
  [[nodiscard]] bool Reserve(size_t capacity);

  char* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

// A source file open for reading. Others may open and write it meanwhile, so
// HasChanged tells whether what was read is one version of it.
class SourceFile final {
 public:
  // Size, modification and change time of a regular file; times in
  // nanoseconds since 1970 (in the file system's own resolution).
  struct Stamp {
    int64_t size = 0;
    int64_t modified = 0;
    int64_t changed = 0;  // of the data or the metadata; no program can set it back
    friend bool operator==(const Stamp&, const Stamp&) = default;
  };
  // A time stamp this close to the moment of reading, or later, proves
  // nothing: a write may have begun in the same tick of the file system's
  // clock (FAT keeps two seconds).
  static constexpr int64_t kStampGranularity = 2'000'000'000;

  // Opens an existing file. kNotFound when it does not exist; a directory or a
  // file that may not be read gives kAccessDenied.
  static Status Open(const std::string& path, std::unique_ptr<SourceFile>* file);

  ~SourceFile();
  SourceFile(const SourceFile&) = delete;
  SourceFile& operator=(const SourceFile&) = delete;

  // Reads the whole file into `*bytes`, as one version of it: what ReadAll
  // reads, where HasChanged then sees no change (read once more otherwise),
  // and no program holds the file open for writing (WriterHoldsIt), whose
  // save may be paused in the middle of a write that both readings saw. Such a
  // program is waited for (kBusyPauses) and the file read once more when it is
  // gone; one that keeps the file open for writing longer (a sync client)
  // must leave two readings at least kSettle apart equal. kIoError when the
  // file changes again, or as ReadAll.
  Status ReadOneVersion(SourceBytes* bytes);
  static constexpr int kSettle = 100;  // milliseconds

  // Reads the whole file into `*bytes`, from its start where it is a regular
  // file (so every call reads it anew). kIoError also when memory runs out.
  Status ReadAll(SourceBytes* bytes);

  // True when `bytes`, what ReadAll gave last, may not be one version of the
  // file: it is a regular file whose size, modification or change time differ
  // now from when ReadAll began; or, where those were too recent to tell, whose
  // bytes read once more differ. Always false for a pipe or device, which
  // cannot tell.
  [[nodiscard]] bool HasChanged(std::string_view bytes);

  [[nodiscard]] const FileIdentity& identity() const { return identity_; }

 private:
  SourceFile(intptr_t handle, bool regular, const FileIdentity& identity)
      : handle_(handle), regular_(regular), identity_(identity) {}

  [[nodiscard]] bool ContentDiffers(std::string_view bytes);

  // The platform's part (platform_posix.cc, platform_win32.cc). ReadSome reads
  // at `offset` from a regular file, and on from where it stopped otherwise.
  Status ReadSome(uint64_t offset, char* buffer, size_t capacity, size_t* count);
  [[nodiscard]] bool TakeStamp(Stamp* stamp) const;
  [[nodiscard]] static int64_t Now();  // in the stamps' time
  // Whether a program holds the file open for writing now; false where that
  // cannot be asked (posix_optional.cc, platform_win32.cc).
  [[nodiscard]] bool WriterHoldsIt() const;
  static void Pause(int milliseconds);

  intptr_t handle_;
  bool regular_;  // a regular file, not a pipe or device
  FileIdentity identity_;
  Stamp stamp_;                 // when ReadAll began
  bool check_content_ = false;  // written too recently for the stamp to tell
};

// Memory for whole sources (SourceBytes): a block of at least `*size` bytes,
// with `*size` set to what it holds; null when none can be had. Freed with
// FreeSourceMemory.
[[nodiscard]] char* AllocateSourceMemory(size_t* size);
void FreeSourceMemory(char* block);

// A header being written. The bytes go to a new temporary file in the header's
// directory; Commit puts it in the header's place in one step. Until then an
// existing header is untouched, and a HeaderFile destroyed without a successful
// Commit removes its temporary file; on POSIX so does a signal that ends the
// process meanwhile. Where the header path is a symbolic link, the link stays
// and the file it leads to is replaced; on POSIX a link that stands in a
// sticky directory everyone may write to (such as /tmp) is followed only when
// it belongs to the caller or to the directory's owner.
class HeaderFile final {
 public:
  // Fails without creating anything when the header exists but may not be
  // written (read-only), is not a regular file, is not a header this tool
  // wrote (IsGeneratedHeader; a file that cannot be read is not shown to be
  // one), is the file `source` (when given: the source being read, which the
  // header must never replace), is reached through a link that may not be
  // followed, or the temporary file cannot be made.
  static Status Create(const std::string& header_path, const FileIdentity* source,
                       std::unique_ptr<HeaderFile>* file);

  ~HeaderFile();
  HeaderFile(const HeaderFile&) = delete;
  HeaderFile& operator=(const HeaderFile&) = delete;

  // Writes `bytes` to the temporary file, after those written before.
  Status Write(std::string_view bytes);

  // Makes the written bytes durable, closes the temporary file and replaces the
  // header with it, keeping the old header's owner, permissions and extended
  // attributes as far as the caller may (POSIX) or its attributes (Windows).
  // On failure the old header stays as it was; only where Windows has removed
  // it already and the new one cannot take its place, the temporary file stays
  // instead, as the only copy.
  Status Commit();

 private:
  struct State;  // the platform's handles and paths
  explicit HeaderFile(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

// The local wall-clock date and time.
[[nodiscard]] LocalTime ReadLocalClock();

// A path as well-formed UTF-8 text, for the header's comment line: malformed
// bytes (POSIX) and unpaired surrogates (Windows) become U+FFFD.
[[nodiscard]] std::string PathToText(std::string_view path);

}  // namespace vortiq

#endif  // VORTIQ_IO_PLATFORM_H_
