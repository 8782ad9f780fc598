// Exposes an IStream to the core as a positional ByteSource, for one GetThumbnail call.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <cstdint>

#include "core/thumbnail.h"

namespace orvelle {

// The largest single read asked of a stream; bigger reads are served piecewise.
constexpr uint64_t kMaxStreamRead = 0x10000000;

// The stream is borrowed. The lock keeps each seek together with the reads after it.
class StreamAdapter {
 public:
  explicit StreamAdapter(IStream* stream);
  ~StreamAdapter();
  StreamAdapter(const StreamAdapter&) = delete;
  StreamAdapter& operator=(const StreamAdapter&) = delete;

  IStream* stream() const { return stream_; }

  // Seeks to `offset`, then reads until `length` bytes arrived, a read fails, or a read
  // comes up short. Returns the bytes delivered.
  uint64_t ReadAt(uint64_t offset, void* destination, uint64_t length);

 private:
  IStream* const stream_;
  CRITICAL_SECTION lock_;
};

// ByteSource read function over a StreamAdapter: its ReadAt.
uint64_t StreamReadAt(void* context, uint64_t offset, void* destination, uint64_t length);

// Fills `source` with the adapter, StreamReadAt and the stream's size from Stat.
bool MakeByteSource(StreamAdapter* adapter, ByteSource* source);

}  // namespace orvelle
