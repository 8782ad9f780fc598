#include "container/read_ahead.h"

#include <cstring>

namespace orvelle {

bool ReadAhead::Read(uint64_t offset, void* destination, uint32_t length) {
  if (length > kWindowBytes || offset > source_.size || source_.size - offset < length) {
    return false;
  }
  if (offset < start_ || offset - start_ > filled_ || filled_ - (offset - start_) < length) {
    const uint64_t left = source_.size - offset;
    const uint64_t want = left < kWindowBytes ? left : kWindowBytes;
    start_ = offset;
    // A short refill keeps what it delivered: a read fails only for bytes of
    // its own that are missing, as if it had gone to the source by itself.
    const uint64_t delivered = source_.read(source_.context, offset, window_, want);
    filled_ = delivered < want ? delivered : want;
    if (filled_ < length) return false;
  }
  std::memcpy(destination, window_ + (offset - start_), length);
  return true;
}

}  // namespace orvelle
