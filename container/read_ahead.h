// Forward reading of a file's small headers through a window of it.
#pragma once

#include <cstdint>

#include "base/thumb_types.h"

namespace orvelle {

// A scan that steps through a file by its headers asks for a few bytes at a
// time; reading them through a window costs one source read per window instead
// of one per header, whatever the file packs into it. Each refill asks for
// exactly the bytes the file has there; of a short delivery, only the bytes
// that did not come are missing data.
class ReadAhead {
 public:
  static constexpr uint32_t kWindowBytes = 64 * 1024;

  explicit ReadAhead(const ByteSource& source) : source_(source) {}
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // Copies the `length` bytes (at most kWindowBytes) at `offset` into
  // `destination`; false when the file ends before them or the source does not
  // deliver them.
  bool Read(uint64_t offset, void* destination, uint32_t length);

 private:
  const ByteSource& source_;
  uint64_t start_ = 0;
  uint64_t filled_ = 0;  // bytes of the window that hold the file from start_ on
  uint8_t window_[kWindowBytes];
};

}  // namespace orvelle
