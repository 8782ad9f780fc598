// An in-memory ByteSource for tests, which can short-deliver or fail a chosen read.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "base/thumb_types.h"

namespace orvelle::testing {

class MemorySource {
 public:
  explicit MemorySource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

  // Read number `index` (counting from 0) delivers `shortBy` bytes fewer than it
  // could; shortBy of UINT64_MAX makes it deliver nothing.
  void ShortenRead(uint64_t index, uint64_t shortBy) {
    shortIndex_ = index;
    shortBy_ = shortBy;
  }

  // Any read that asks for `length` bytes is shortened by `shortBy`.
  void ShortenReadsOfLength(uint64_t length, uint64_t shortBy) {
    shortLength_ = length;
    shortBy_ = shortBy;
  }

  ByteSource Source() { return ByteSource{this, &Read, bytes_.size()}; }

  uint64_t reads() const { return reads_; }
  uint64_t bytesDelivered() const { return delivered_; }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  static uint64_t Read(void* context, uint64_t offset, void* destination, uint64_t length) {
    auto* self = static_cast<MemorySource*>(context);
    const uint64_t index = self->reads_++;
    const uint64_t size = self->bytes_.size();
    uint64_t count = offset >= size ? 0 : (length < size - offset ? length : size - offset);
    if (index == self->shortIndex_ || length == self->shortLength_) {
      count = count > self->shortBy_ ? count - self->shortBy_ : 0;
    }
    if (count != 0) std::memcpy(destination, self->bytes_.data() + offset, count);
    self->delivered_ += count;
    return count;
  }

  std::vector<uint8_t> bytes_;
  uint64_t reads_ = 0;
  uint64_t delivered_ = 0;
  uint64_t shortIndex_ = UINT64_MAX;
  uint64_t shortLength_ = UINT64_MAX;
  uint64_t shortBy_ = 0;
};

}  // namespace orvelle::testing
