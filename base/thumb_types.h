// The records every layer of the core shares: the file as a ByteSource and
// the ThumbStatus of an operation. The container reader and the texture
// decoders include this instead of the pipeline's public header, which they
// sit below.
#pragma once

#include <cstdint>

namespace orvelle {

// Status of every pipeline operation: zero is success, every failure negative.
enum ThumbStatus : int32_t {
  ThumbOk = 0,
  ThumbReadFailed = -1,
  ThumbBadFile = -2,
  ThumbNoTrack = -3,
  ThumbBadData = -4,
  ThumbUnsupported = -5,
  ThumbOutOfMemory = -6,
  ThumbInvalidArgument = -7,
};

// Positional read: delivers up to `length` bytes at `offset` and returns how
// many it delivered (fewer past the end of the data, 0 at or beyond it).
using ByteSourceRead = uint64_t (*)(void* context, uint64_t offset, void* destination,
                                    uint64_t length);

// The core's only view of a file.
struct ByteSource {
  void* context;
  ByteSourceRead read;
  uint64_t size;
};

}  // namespace orvelle
