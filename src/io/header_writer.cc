#include "io/header_writer.h"

namespace vortiq {

HeaderWriter::HeaderWriter(ByteSink* sink, size_t buffer_size)
    : sink_(sink), buffer_size_(buffer_size == 0 ? 1 : buffer_size) {
  buffer_.reserve(buffer_size_);
}

void HeaderWriter::Put(std::string_view bytes) {
  if (status_ == Status::kOk) status_ = sink_->Write(bytes);
}

size_t HeaderWriter::WriteString(std::string_view text) {
  if (status_ != Status::kOk || text.empty()) return 0;
  if (buffer_.size() + text.size() < buffer_size_) {
    buffer_.append(text);
    return text.size();
  }
  Flush();
  if (text.size() >= buffer_size_) {
    Put(text);
  } else {
    buffer_.append(text);
  }
  return status_ == Status::kOk ? text.size() : 0;
}

void HeaderWriter::Appended() {
  if (status_ != Status::kOk) {
    buffer_.clear();
  } else if (buffer_.size() >= buffer_size_) {
    Flush();
  }
}

Status HeaderWriter::Flush() {
  if (!buffer_.empty()) {
    Put(buffer_);
    buffer_.clear();
  }
  return status_;
}

}  // namespace vortiq
