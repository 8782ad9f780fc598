// A ByteSource of any size whose content is zero except for regions that a test
// places, so that files of hundreds of megabytes cost nothing to build.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/thumb_types.h"

namespace orvelle::testing {

class SparseSource {
 public:
  explicit SparseSource(uint64_t size) : size_(size) {}

  void Place(uint64_t offset, std::vector<uint8_t> bytes) {
    regions_.push_back({offset, std::move(bytes)});
  }

  // `pattern` `times` over, from `offset` on: a table of millions of equal
  // entries without storing them.
  void PlaceRepeated(uint64_t offset, std::vector<uint8_t> pattern, uint64_t times) {
    repeats_.push_back({offset, std::move(pattern), times});
  }

  ByteSource Source() { return ByteSource{this, &Read, size_}; }

 private:
  struct Region {
    uint64_t offset;
    std::vector<uint8_t> bytes;
  };

  struct Repeat {
    uint64_t offset;
    std::vector<uint8_t> pattern;
    uint64_t times;
  };

  static uint64_t Read(void* context, uint64_t offset, void* destination, uint64_t length) {
    const auto* self = static_cast<const SparseSource*>(context);
    if (offset >= self->size_) return 0;
    const uint64_t count = std::min(length, self->size_ - offset);
    auto* out = static_cast<uint8_t*>(destination);
    std::memset(out, 0, count);
    for (const Repeat& repeat : self->repeats_) {
      const uint64_t length = repeat.pattern.size() * repeat.times;
      const uint64_t begin = std::max(offset, repeat.offset);
      const uint64_t end = std::min(offset + count, repeat.offset + length);
      for (uint64_t at = begin; at < end;) {
        const uint64_t into = (at - repeat.offset) % repeat.pattern.size();
        const uint64_t run = std::min<uint64_t>(repeat.pattern.size() - into, end - at);
        std::memcpy(out + (at - offset), repeat.pattern.data() + into, run);
        at += run;
      }
    }
    for (const Region& region : self->regions_) {
      const uint64_t begin = std::max(offset, region.offset);
      const uint64_t end = std::min(offset + count, region.offset + region.bytes.size());
      if (begin < end) {
        std::memcpy(out + (begin - offset), region.bytes.data() + (begin - region.offset),
                    end - begin);
      }
    }
    return count;
  }

  uint64_t size_;
  std::vector<Region> regions_;  // placed over the repeats
  std::vector<Repeat> repeats_;
};

}  // namespace orvelle::testing
