// Layout of a Hap frame held in memory: section headers, the multi-texture
// container and the texture format named by a section's type byte.
// Every multi-byte field of a Hap frame is little-endian.
#pragma once

#include <cstdint>

namespace orvelle {

enum HapStatus : uint32_t {
  HapOk = 0,
  HapBadArgument = 1,
  HapBufferTooSmall = 2,
  HapBadFrame = 3,
  HapInternalError = 4,
};

// Block format of a texture, by its graphics-API constant.
using TextureFormat = uint32_t;
constexpr TextureFormat TexFmtRgbDxt1 = 0x83F0;
constexpr TextureFormat TexFmtRgbaDxt5 = 0x83F3;
constexpr TextureFormat TexFmtYCoCgDxt5 = 0x01;
constexpr TextureFormat TexFmtAlphaRgtc1 = 0x8DBB;
constexpr TextureFormat TexFmtRgbaBptcUnorm = 0x8E8C;
constexpr TextureFormat TexFmtRgbBptcSignedFloat = 0x8E8E;
constexpr TextureFormat TexFmtRgbBptcUnsignedFloat = 0x8E8F;

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

// Bytes of one 4x4 block of `format`: 8, 16, or 0 for anything else.
uint32_t BytesPerBlock(TextureFormat format);

// The format named by the low nibble of a type byte, 0 when it names none.
TextureFormat TextureFormatFromType(uint8_t lowNibble);

HapStatus GetTextureCount(const uint8_t* frame, uint32_t length, uint32_t* count);

HapStatus FindTextureSection(const uint8_t* frame, uint32_t length, uint32_t textureIndex,
                             const uint8_t** payload, uint32_t* payloadSize, uint8_t* type);

HapStatus GetTextureFormat(const uint8_t* frame, uint32_t length, uint32_t textureIndex,
                           TextureFormat* format);

}  // namespace orvelle
