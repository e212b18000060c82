#include "io/read_ahead.h"

namespace vortiq {

ReadAhead::ReadAhead(ByteSource* source, size_t buffer_size, const KeywordPrefixes* keywords)
    : source_(source), buffer_size_(buffer_size), keywords_(keywords) {
  for (Buffer& buffer : buffers_) buffer.bytes.reset(new char[buffer_size]);
  wanted_ = &buffers_[0];
  thread_ = std::thread(&ReadAhead::Fill, this);
}

ReadAhead::~ReadAhead() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

const ReadAhead::Buffer& ReadAhead::Next() {
  std::unique_lock<std::mutex> lock(mutex_);
  Buffer& buffer = buffers_[next_];
  changed_.wait(lock, [&buffer] { return buffer.ready; });
  buffer.ready = false;
  next_ = 1 - next_;
  if (buffer.count > 0 && buffer.status == Status::kOk) {
    wanted_ = &buffers_[next_];  // handed out before this one, so done with
    lock.unlock();
    changed_.notify_all();
  }
  return buffer;
}

void ReadAhead::Fill() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || wanted_ != nullptr; });
    if (stopping_) return;
    Buffer& buffer = *wanted_;
    wanted_ = nullptr;
    lock.unlock();
    size_t count = 0;
    const Status status = source_->Read(buffer.bytes.get(), buffer_size_, &count);
    if (status != Status::kOk) count = 0;
    buffer.found_to = keywords_ == nullptr
                          ? 0
                          : FindKeywordLines(buffer.bytes.get(), count, *keywords_, &buffer.lines);
    lock.lock();
    buffer.count = count;
    buffer.status = status;
    buffer.ready = true;
    changed_.notify_all();
  }
}

}  // namespace vortiq
