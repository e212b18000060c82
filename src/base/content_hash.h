// A 64-bit hash of a stream of bytes, fed in pieces of any size: the same
// bytes give the same value however they are cut. It tells two readings of a
// file apart, not a forgery; four independent lanes keep it near memory speed.
#ifndef VORTIQ_BASE_CONTENT_HASH_H_
#define VORTIQ_BASE_CONTENT_HASH_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vortiq {

class ContentHash {
 public:
  void Update(std::string_view bytes);
  // The hash of every byte given so far, and of their count.
  [[nodiscard]] uint64_t Digest() const;
  [[nodiscard]] uint64_t length() const { return length_; }

 private:
  static constexpr size_t kStripe = 32;  // bytes taken by the four lanes at once

  void TakeStripe(const char* bytes);

  uint64_t lanes_[4] = {0x9E3779B97F4A7C15, 0xC2B2AE3D27D4EB4F, 0x165667B19E3779F9,
                        0x27D4EB2F165667C5};
  char pending_[kStripe] = {};  // the start of an incomplete stripe
  size_t pending_size_ = 0;
  uint64_t length_ = 0;
};

}  // namespace vortiq

#endif  // VORTIQ_BASE_CONTENT_HASH_H_
