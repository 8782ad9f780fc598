// Extraction of a Hap texture's raw block-compressed bytes, by the compressor
// its section's type byte names: the per-chunk work and the serial runner, and
// the extraction into a buffer of its own.
#include "hap/hap_texture.h"

#include <cstring>

#include "base/heap_ptr.h"
#include "base/input_limits.h"
#include "hap/chunked_texture.h"
#include "hap/large_buffer.h"
#include "hap/snappy_stream.h"

namespace orvelle {

namespace {

HapStatus CopyPlainTexture(const uint8_t* payload, uint32_t payloadSize, uint8_t* destination,
                           uint32_t capacity, uint32_t* decodedLength) {
  if (payloadSize > capacity) return HapBufferTooSmall;
  memcpy(destination, payload, payloadSize);
  *decodedLength = payloadSize;
  return HapOk;
}

// A whole-section stream that Snappy cannot read is reported as Snappy's
// failure, unlike a chunk's, which is the frame's.
HapStatus DecompressSnappyTexture(const uint8_t* payload, uint32_t payloadSize,
                                  uint8_t* destination, uint32_t capacity,
                                  uint32_t* decodedLength) {
  uint64_t length = 0;
  const SnappyOutcome outcome =
      SnappyDecompress(payload, payloadSize, destination, capacity, &length);
  if (outcome == SnappyTooSmall) return HapBufferTooSmall;
  if (outcome == SnappyInvalidInput) return HapInternalError;
  *decodedLength = static_cast<uint32_t>(length);  // at most the 32-bit capacity
  return HapOk;
}

}  // namespace

HapStatus DecodeTextureSection(const uint8_t* payload, uint32_t payloadSize, uint8_t type,
                               ChunkRunner runner, void* userContext, uint8_t* destination,
                               uint32_t capacity, uint32_t* decodedLength, TextureFormat* format) {
  if (payload == nullptr || runner == nullptr || destination == nullptr || format == nullptr) {
    return HapBadArgument;
  }
  *format = TextureFormatFromType(type & 0x0F);
  if (*format == 0) return HapBadFrame;

  uint32_t length = 0;
  HapStatus status;
  switch (type >> 4) {
    case CompressorNone:
      status = CopyPlainTexture(payload, payloadSize, destination, capacity, &length);
      break;
    case CompressorSnappy:
      status = DecompressSnappyTexture(payload, payloadSize, destination, capacity, &length);
      break;
    case CompressorChunked:
      status = DecodeChunkedTexture(payload, payloadSize, runner, userContext, destination,
                                    capacity, &length);
      break;
    default:
      return HapBadFrame;
  }
  if (status == HapOk && decodedLength != nullptr) *decodedLength = length;
  return status;
}

HapStatus DecodeTexture(const uint8_t* frame, uint32_t length, uint32_t textureIndex,
                        ChunkRunner runner, void* userContext, uint8_t* destination,
                        uint32_t capacity, uint32_t* decodedLength, TextureFormat* format) {
  if (frame == nullptr || textureIndex > kMaxTextureIndex || runner == nullptr ||
      destination == nullptr || format == nullptr) {
    return HapBadArgument;
  }
  const uint8_t* payload;
  uint32_t payloadSize;
  uint8_t type;
  HapStatus status = FindTextureSection(frame, length, textureIndex, &payload, &payloadSize, &type);
  if (status != HapOk) return status;
  return DecodeTextureSection(payload, payloadSize, type, runner, userContext, destination,
                              capacity, decodedLength, format);
}

uint8_t* DecodeTextureToBuffer(const uint8_t* frame, uint32_t length, uint32_t textureIndex,
                               uint32_t paddedWidth, uint32_t paddedHeight, TextureFormat* format) {
  TextureFormat found = 0;
  if (format == nullptr || GetTextureFormat(frame, length, textureIndex, &found) != HapOk) {
    return nullptr;
  }
  // Cannot wrap: (2^30)^2 blocks of 16 bytes stay below 2^64.
  const uint64_t size = uint64_t{paddedWidth / 4} * (paddedHeight / 4) * BytesPerBlock(found);
  if (size == 0 || size > kMaxTextureBufferBytes) return nullptr;

  HeapPtr<uint8_t> buffer(AllocateLargeBuffer(size));
  if (buffer == nullptr) return nullptr;
  uint32_t decoded = 0;
  if (DecodeTexture(frame, length, textureIndex, RunChunksSerially, nullptr, buffer.get(),
                    static_cast<uint32_t>(size), &decoded, &found) != HapOk) {
    return nullptr;
  }
  // A texture shorter than its image leaves no stale heap bytes behind it.
  memset(buffer.get() + decoded, 0, size - decoded);
  *format = found;
  return buffer.release();
}

}  // namespace orvelle
