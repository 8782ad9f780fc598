// Layout of a Hap frame held in memory: section headers, the multi-texture
// container and the texture format named by a section's type byte (the
// formats themselves are in hap/texture_formats.h).
// Every multi-byte field of a Hap frame is little-endian.
#pragma once

#include <cstdint>

#include "hap/texture_formats.h"

namespace orvelle {

enum HapStatus : uint32_t {
  HapOk = 0,
  HapBadArgument = 1,
  HapBufferTooSmall = 2,
  HapBadFrame = 3,
  HapInternalError = 4,
};

// Second-stage compressor, the high nibble of a texture section's type byte
// (and the value of a chunk's compressor byte).
constexpr uint8_t CompressorNone = 0x0A;
constexpr uint8_t CompressorSnappy = 0x0B;
constexpr uint8_t CompressorChunked = 0x0C;

constexpr uint8_t SectionDecodeInstructions = 0x01;
constexpr uint8_t SectionChunkCompressors = 0x02;
constexpr uint8_t SectionChunkSizes = 0x03;
constexpr uint8_t SectionChunkOffsets = 0x04;
constexpr uint8_t SectionMultiTexture = 0x0D;

// A frame serves at most two textures (colour and a separate alpha plane):
// the texture queries and decoders refuse any higher index.
constexpr uint32_t kMaxTextureIndex = 1;

struct SectionHeader {
  uint32_t payloadSize;
  uint8_t type;
  uint8_t headerLength;  // 4 or 8
};

// `available` counts the bytes from the header's first byte to the end of the
// region holding it; the whole section must lie inside that region.
HapStatus ReadSectionHeader(const uint8_t* bytes, uint64_t available, SectionHeader* header);

HapStatus GetTextureCount(const uint8_t* frame, uint32_t length, uint32_t* count);

HapStatus FindTextureSection(const uint8_t* frame, uint32_t length, uint32_t textureIndex,
                             const uint8_t** payload, uint32_t* payloadSize, uint8_t* type);

HapStatus GetTextureFormat(const uint8_t* frame, uint32_t length, uint32_t textureIndex,
                           TextureFormat* format);

}  // namespace orvelle
