// Reading a PureBasic source as lines of UTF-8 text.
//
// Lines end at LF, CR LF, a lone CR and a zero byte. A lead byte 0xC0..0xF7 takes
// the following 1 to 3 bytes as its continuation without looking at them (so a
// line end among them stays in the line), a stray byte 0x80..0xBF or 0xF8..0xFF
// becomes '?',
// and a character cut off by the end of the file is dropped. The bytes of a line
// are then decoded up to a zero byte, each malformed sequence giving U+FFFD; a
// byte-order mark is not recognised and stays as U+FEFF.
#ifndef VORTIQ_IO_SOURCE_READER_H_
#define VORTIQ_IO_SOURCE_READER_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_stream.h"
#include "base/status.h"
#include "io/keyword_prefixes.h"
#include "io/line_skip.h"
#include "io/read_ahead.h"

namespace vortiq {

class SourceReader {
 public:
  static constexpr size_t kDefaultBufferSize = 128 * 1024;
  // A source is read ahead on a second thread (where it may be) once more than
  // this many reads have filled the buffer (16 MiB): for a shorter one the
  // thread and its buffers (each new page costs a fault) are not worth it.
  static constexpr int kFullReadsBeforeReadingAhead = 128;

  // Reading ahead begins after more than `reads_before_reading_ahead` reads
  // have filled the buffer; tests of it lower the number.
  explicit SourceReader(ByteSource* source, size_t buffer_size = kDefaultBufferSize,
                        int reads_before_reading_ahead = kFullReadsBeforeReadingAhead);
  SourceReader(const SourceReader&) = delete;
  SourceReader& operator=(const SourceReader&) = delete;

  // True when no byte is left to read (or reading failed). Reads ahead if needed,
  // which ends the validity of the line returned last.
  [[nodiscard]] bool Eof() { return position_ == filled_ && !Refill(); }

  // The next line without its line end, as well-formed UTF-8; "" at the end. The
  // view stays valid until the next call of ReadString or Eof.
  [[nodiscard]] std::string_view ReadString();

  // False when the line returned last certainly holds no ':', so it is a single
  // statement; true when it may hold one. Found in the same pass as the line end.
  [[nodiscard]] bool LineMayHoldColon() const { return may_hold_colon_; }

  // Passes over whole lines that certainly hold no statement beginning with one
  // of `keywords`: lines in which none of them follows the line start or any
  // ':' after spaces. Stops at the first line that may hold one, or earlier
  // where the quick look cannot tell (a lone CR or zero byte, a lead byte not
  // followed by its continuation bytes, a line near the end of the buffer), so
  // the next ReadString returns a line that may begin such a statement, or is
  // the next line. Reads ahead like Eof when no byte is buffered.
  void SkipLinesWithout(const KeywordPrefixes& keywords);

  // Makes the thread that reads ahead (if one does) also find the lines that
  // may hold a statement beginning with one of `keywords`, which must outlive
  // the reader, so that SkipLinesWithout for some of them is quick. Call before
  // the first read.
  void FindLinesAhead(const KeywordPrefixes* keywords) { keywords_ahead_ = keywords; }

  // kOk, or the first read failure; reading stops there as at the end of the file.
  [[nodiscard]] Status status() const { return status_; }

 private:
  static constexpr size_t kBlockSize = 64;
  static constexpr size_t kNoBlock = ~size_t{0};

  std::string_view ReadLine();  // ReadString for any line
  bool Refill();                // true when unread bytes are buffered
  bool TakeByte(char* byte);    // false at the end
  // `bytes` decoded up to a zero byte, each malformed sequence as U+FFFD.
  std::string_view Repaired(std::string_view bytes);

  ByteSource* source_;
  std::unique_ptr<char[]> buffer_;
  std::unique_ptr<ReadAhead> read_ahead_;  // once the source proves long, if it may
  const char* data_ = nullptr;             // the bytes in use: buffer_ or read_ahead_'s
  // Lines found ahead in data_ (complete up to found_to_), the next one to look at,
  // and the keywords they were found for.
  const KeywordPrefixes* keywords_ahead_ = nullptr;
  const std::vector<KeywordLine>* found_lines_ = nullptr;
  size_t found_to_ = 0;
  size_t next_found_ = 0;
  // The keywords SkipLinesWithout had last, and their bits among keywords_ahead_.
  KeywordPrefixes bits_for_ = {};
  uint32_t bits_ = 0;
  size_t buffer_size_;
  size_t position_ = 0;  // next byte to take
  size_t filled_ = 0;    // bytes in the buffer
  bool exhausted_ = false;
  int full_reads_ = 0;
  int reads_before_reading_ahead_;
  bool may_hold_colon_ = false;
  // Masks of the block of the buffer at offset block_ (ScanBlock), kept while the
  // fast path walks through the lines in it.
  size_t block_ = kNoBlock;
  uint64_t specials_ = 0;
  uint64_t colons_ = 0;
  Status status_ = Status::kOk;
  std::string line_;      // a line that crosses buffer refills or holds bytes to replace
  std::string repaired_;  // the decoded form of such a line
};

}  // namespace vortiq

#endif  // VORTIQ_IO_SOURCE_READER_H_
