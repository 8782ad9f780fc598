// Extraction of one texture's block-compressed bytes, by the compressor its
// section's type byte names.
#include <cstring>

#include "hap/chunked_texture.h"
#include "hap/hap_texture.h"
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
HapStatus DecompressSnappyTexture(const uint8_t* payload, uint32_t payloadSize, uint8_t* destination,
                                  uint32_t capacity, uint32_t* decodedLength) {
  uint64_t length = 0;
  const SnappyOutcome outcome = SnappyDecompress(payload, payloadSize, destination, capacity, &length);
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
      status = DecodeChunkedTexture(payload, payloadSize, runner, userContext, destination, capacity,
                                    &length);
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
  if (frame == nullptr || textureIndex > MaxTextureIndex || runner == nullptr ||
      destination == nullptr || format == nullptr) {
    return HapBadArgument;
  }
  const uint8_t* payload;
  uint32_t payloadSize;
  uint8_t type;
  HapStatus status = FindTextureSection(frame, length, textureIndex, &payload, &payloadSize, &type);
  if (status != HapOk) return status;
  return DecodeTextureSection(payload, payloadSize, type, runner, userContext, destination, capacity,
                              decodedLength, format);
}

}  // namespace orvelle
