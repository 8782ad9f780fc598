#include "texture/frame_to_rgba.h"

#include <cstdlib>
#include <cstring>

#include "hap/hap_texture.h"
#include "texture/bc1_bc3_bc4.h"
#include "texture/bc6h.h"
#include "texture/bc7.h"

namespace orvelle {
namespace {

constexpr uint32_t kMaxEdge = 0x4000;
constexpr int32_t kBlockRowStride = 16;

struct Texture {
  uint8_t* bytes = nullptr;
  TextureFormat format = 0;
};

uint8_t ClampToByte(float value) {
  const float v = value * 255.0f + 0.5f;
  if (v <= 0.0f) return 0;
  if (v >= 255.0f) return 255;
  return static_cast<uint8_t>(v);
}

// Walks the blocks top to bottom, left to right. With an alpha plane (BC4,
// same block numbering) its values replace the A bytes of each decoded block.
void DecodeBlocks(const Texture& colour, const uint8_t* alphaPlane, uint32_t width,
                  uint32_t height, uint8_t* destination, uint64_t stride) {
  const uint32_t blocksAcross = (width + 3) / 4;
  const uint32_t blocksDown = (height + 3) / 4;
  const uint32_t blockBytes = BytesPerBlock(colour.format);
  uint8_t block[64];
  uint8_t alphaValues[16];
  for (uint32_t by = 0; by < blocksDown; ++by) {
    for (uint32_t bx = 0; bx < blocksAcross; ++bx) {
      const uint64_t index = uint64_t{by} * blocksAcross + bx;
      DecodeBlockRgba8(colour.bytes + index * blockBytes, colour.format, block);
      if (alphaPlane != nullptr) {
        DecodeBc4Block(alphaPlane + index * 8, alphaValues, 4, 1);
        for (int k = 0; k < 16; ++k) block[4 * k + 3] = alphaValues[k];
      }
      StoreBlockClipped(block, bx, by, width, height, destination, stride);
    }
  }
}

// Roles of a two-texture frame: a colour texture in scaled YCoCg or RGBA BC3
// plus a BC4 alpha plane, in either order. False for any other pair.
bool AssignAlphaRoles(const Texture (&textures)[2], Texture* colour, Texture* alpha) {
  if (textures[0].format == TexFmtAlphaRgtc1) {
    *alpha = textures[0];
    *colour = textures[1];
  } else if (textures[1].format == TexFmtAlphaRgtc1) {
    *colour = textures[0];
    *alpha = textures[1];
  } else {
    return false;
  }
  return colour->format == TexFmtYCoCgDxt5 || colour->format == TexFmtRgbaDxt5;
}

}  // namespace

void ConvertScaledYCoCg(uint8_t* blockBuffer) {
  for (int k = 0; k < 16; ++k) {
    uint8_t* pixel = blockBuffer + 4 * k;
    const float scale = 1.0f / (static_cast<float>(pixel[2]) * 0.125f + 1.0f);
    const float co = (static_cast<float>(pixel[0]) / 255.0f - 0.5f) * scale;
    const float cg = (static_cast<float>(pixel[1]) / 255.0f - 0.5f) * scale;
    const float y = static_cast<float>(pixel[3]) / 255.0f;
    pixel[0] = ClampToByte((y + co) - cg);
    pixel[1] = ClampToByte(y + cg);
    pixel[2] = ClampToByte((y - co) - cg);
    pixel[3] = 255;
  }
}

void DecodeBlockRgba8(const uint8_t* block, TextureFormat format, uint8_t* blockBuffer) {
  switch (format) {
    case TexFmtRgbDxt1:
      DecodeBc1Block(block, blockBuffer, kBlockRowStride, false);
      // BC1's transparent entry is shown as opaque black: Hap1 carries no alpha.
      for (int k = 0; k < 16; ++k) blockBuffer[4 * k + 3] = 255;
      return;
    case TexFmtRgbaDxt5:
      DecodeBc3Block(block, blockBuffer, kBlockRowStride);
      return;
    case TexFmtYCoCgDxt5:
      DecodeBc3Block(block, blockBuffer, kBlockRowStride);
      ConvertScaledYCoCg(blockBuffer);
      return;
    case TexFmtAlphaRgtc1: {
      uint8_t values[16];
      DecodeBc4Block(block, values, 4, 1);
      for (int k = 0; k < 16; ++k) {
        uint8_t* pixel = blockBuffer + 4 * k;
        pixel[0] = pixel[1] = pixel[2] = values[k];
        pixel[3] = 255;
      }
      return;
    }
    case TexFmtRgbaBptcUnorm:
      DecodeBc7Block(block, blockBuffer, kBlockRowStride);
      return;
    case TexFmtRgbBptcSignedFloat:
      DecodeBc6hBlockRgba8(block, 1, blockBuffer);
      return;
    case TexFmtRgbBptcUnsignedFloat:
      DecodeBc6hBlockRgba8(block, 0, blockBuffer);
      return;
    default:
      memset(blockBuffer, 0, 64);
      return;
  }
}

void StoreBlockClipped(const uint8_t* blockBuffer, uint32_t bx, uint32_t by, uint32_t width,
                       uint32_t height, uint8_t* destination, uint64_t stride) {
  const uint64_t x0 = uint64_t{bx} * 4;
  const uint64_t y0 = uint64_t{by} * 4;
  if (y0 >= height || x0 >= width) return;
  const uint64_t rows = height - y0 < 4 ? height - y0 : 4;
  const uint64_t columns = width - x0 < 4 ? width - x0 : 4;
  for (uint64_t r = 0; r < rows; ++r) {
    memcpy(destination + (y0 + r) * stride + x0 * 4, blockBuffer + r * 16, columns * 4);
  }
}

ThumbStatus DecodeFrameToRgba(const uint8_t* frame, uint64_t frameLength, uint32_t width,
                              uint32_t height, uint8_t* destination, uint64_t stride) {
  if (frame == nullptr || destination == nullptr || width == 0 || height == 0 ||
      width > kMaxEdge || height > kMaxEdge || stride < uint64_t{width} * 4) {
    return ThumbInvalidArgument;
  }
  // The frame decoder takes 32-bit lengths.
  if (frameLength == 0 || frameLength > UINT32_MAX) return ThumbBadData;
  const auto length = static_cast<uint32_t>(frameLength);

  uint32_t count = 0;
  if (GetTextureCount(frame, length, &count) != HapOk || count < 1 || count > 2) {
    return ThumbBadData;
  }
  const uint32_t paddedWidth = (width + 3) & ~3u;
  const uint32_t paddedHeight = (height + 3) & ~3u;
  Texture textures[2];
  for (uint32_t i = 0; i < count; ++i) {
    textures[i].bytes =
        DecodeTextureToBuffer(frame, length, i, paddedWidth, paddedHeight, &textures[i].format);
    if (textures[i].bytes == nullptr) {
      free(textures[0].bytes);
      return ThumbBadData;
    }
  }

  ThumbStatus status = ThumbOk;
  if (count == 1) {
    DecodeBlocks(textures[0], nullptr, width, height, destination, stride);
  } else {
    Texture colour;
    Texture alpha;
    if (AssignAlphaRoles(textures, &colour, &alpha)) {
      DecodeBlocks(colour, alpha.bytes, width, height, destination, stride);
    } else {
      status = ThumbUnsupported;
    }
  }
  free(textures[0].bytes);
  free(textures[1].bytes);
  return status;
}

}  // namespace orvelle
