#include <cstdlib>
#include <cstring>

#include "hap/hap_texture.h"
#include "hap/large_buffer.h"

namespace orvelle {

namespace {

constexpr uint64_t MaxTextureBufferSize = 0x10000000;  // 256 MiB, inclusive

}  // namespace

uint8_t* DecodeTextureToBuffer(const uint8_t* frame, uint32_t length, uint32_t textureIndex,
                               uint32_t paddedWidth, uint32_t paddedHeight, TextureFormat* format) {
  TextureFormat found = 0;
  if (format == nullptr || GetTextureFormat(frame, length, textureIndex, &found) != HapOk) {
    return nullptr;
  }
  // Cannot wrap: (2^30)^2 blocks of 16 bytes stay below 2^64.
  const uint64_t size = uint64_t{paddedWidth / 4} * (paddedHeight / 4) * BytesPerBlock(found);
  if (size == 0 || size > MaxTextureBufferSize) return nullptr;

  uint8_t* buffer = AllocateLargeBuffer(size);
  if (buffer == nullptr) return nullptr;
  uint32_t decoded = 0;
  if (DecodeTexture(frame, length, textureIndex, RunChunksSerially, nullptr, buffer,
                    static_cast<uint32_t>(size), &decoded, &found) != HapOk) {
    free(buffer);
    return nullptr;
  }
  // A texture shorter than its image leaves no stale heap bytes behind it.
  memset(buffer + decoded, 0, size - decoded);
  *format = found;
  return buffer;
}

}  // namespace orvelle
