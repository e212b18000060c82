// Reading a source ahead on a second thread: while the bytes of one buffer are
// used, the next buffer is filled, so the copying of the file by the operating
// system overlaps the work on it.
#ifndef VORTIQ_IO_READ_AHEAD_H_
#define VORTIQ_IO_READ_AHEAD_H_

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "base/byte_stream.h"
#include "base/status.h"
#include "io/keyword_prefixes.h"
#include "io/line_skip.h"

namespace vortiq {

class ReadAhead {
 public:
  // Starts filling the first buffer of `buffer_size` bytes from `source`, which
  // must allow it (MayReadAhead) and outlive this. With `keywords`, the lines of
  // each buffer that may hold a statement beginning with one of them are found
  // on the second thread too (FindKeywordLines). Throws std::system_error when
  // no thread can be started.
  ReadAhead(ByteSource* source, size_t buffer_size, const KeywordPrefixes* keywords = nullptr);
  // Waits for a read under way, which a source that may be read ahead finishes.
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // A buffer filled from the source, as Read fills it, and the lines found in
  // it: complete up to `found_to` (0 without keywords).
  struct Buffer {
    std::unique_ptr<char[]> bytes;
    size_t count = 0;
    Status status = Status::kOk;
    std::vector<KeywordLine> lines;
    size_t found_to = 0;
    bool ready = false;  // filled, not yet handed out
  };

  // The next buffer: waits until it is filled. The buffer returned before is
  // done with from now on and is filled next; the one returned stays valid
  // until the next call. After a count of 0 or a failure nothing more is read.
  const Buffer& Next();

 private:
  void Fill();  // the second thread

  ByteSource* source_;
  size_t buffer_size_;
  const KeywordPrefixes* keywords_;
  Buffer buffers_[2];
  size_t next_ = 0;  // the buffer Next returns next
  std::mutex mutex_;
  std::condition_variable changed_;
  Buffer* wanted_ = nullptr;  // the buffer to fill next
  bool stopping_ = false;
  std::thread thread_;  // last: starts once the rest is ready
};

}  // namespace vortiq

#endif  // VORTIQ_IO_READ_AHEAD_H_
