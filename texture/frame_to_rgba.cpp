#include "texture/frame_to_rgba.h"

#include <cstdlib>
#include <cstring>

#include "base/input_limits.h"
#include "hap/hap_texture.h"
#include "texture/code_paths.h"
#include "texture/scaled_ycocg.h"

namespace orvelle {
namespace {

struct Texture {
  uint8_t* bytes = nullptr;
  TextureFormat format = 0;
};

// v, a channel times 255 plus 0.5, clamped and truncated.
uint8_t ClampToByte(float v) {
  if (v <= 0.0f) return 0;
  if (v >= 255.0f) return 255;
  return static_cast<uint8_t>(v);
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
    const float code = pixel[2];
    float co, cg, y, rgb[3];
    ScaleChroma(float(pixel[0]), code, co);
    ScaleChroma(float(pixel[1]), code, cg);
    ScaleLuma(float(pixel[3]), y);
    YCoCgToRgb(y, co, cg, rgb);
    for (int c = 0; c < 3; ++c) pixel[c] = ClampToByte(rgb[c]);
    pixel[3] = 255;
  }
}

void DecodeBlockRgba8(const uint8_t* block, TextureFormat format, uint8_t* blockBuffer) {
  FindFormatCode(format).writeBlock(block, blockBuffer, 16);
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

ThumbStatus OpenFrameBlocks(const uint8_t* frame, uint64_t frameLength, uint32_t width,
                            uint32_t height, const uint8_t* destination, uint64_t stride,
                            FrameBlocks* blocks) {
  if (frame == nullptr || destination == nullptr || width == 0 || height == 0 ||
      width > kMaxFrameEdge || height > kMaxFrameEdge || stride < uint64_t{width} * 4) {
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

  Texture colour = textures[0];
  Texture alpha;
  if (count == 2 && !AssignAlphaRoles(textures, &colour, &alpha)) {
    free(textures[0].bytes);
    free(textures[1].bytes);
    return ThumbUnsupported;
  }
  *blocks = FrameBlocks{{textures[0].bytes, textures[1].bytes}, colour.bytes, colour.format,
                        alpha.bytes, width, height};
  return ThumbOk;
}

// With an alpha plane (BC4, same block numbering) its values replace the A
// bytes of each decoded block. The blocks wholly inside the image are written
// straight into it, a row at a time; those that cross the right or bottom edge
// go through the block buffer.
void DecodeBlockRowToRgba(const FrameBlocks& blocks, uint32_t by, uint8_t* rows, uint64_t stride) {
  const uint32_t width = blocks.width;
  const uint32_t blocksAcross = (width + 3) / 4;
  const CodePath& path = ActiveCodePath();
  const FormatCode& code = FindFormatCode(path, blocks.colourFormat);
  const auto decodeAlpha = path.decoders.bc4;
  const uint32_t blockBytes = code.bytesPerBlock;
  const uint64_t first = uint64_t{by} * blocksAcross;
  const uint8_t* colour = blocks.colour + first * blockBytes;
  const uint8_t* alpha = blocks.alpha != nullptr ? blocks.alpha + first * 8 : nullptr;
  const uint32_t rowsLeft = blocks.height - by * 4;
  // The block decoders take 32-bit row strides; an image with a longer one (a
  // caller's choice, never the pipeline's) goes through the block buffer throughout.
  const uint32_t whole = rowsLeft >= 4 && stride <= INT32_MAX ? width / 4 : 0;
  if (whole != 0) {
    code.writeRow(colour, whole, rows, static_cast<ptrdiff_t>(stride));
    for (uint32_t bx = 0; alpha != nullptr && bx < whole; ++bx) {
      decodeAlpha(alpha + uint64_t{bx} * 8, rows + uint64_t{bx} * 16 + 3,
                  static_cast<int32_t>(stride), 4);
    }
  }
  uint8_t buffer[64];
  for (uint32_t bx = whole; bx < blocksAcross; ++bx) {
    code.writeBlock(colour + uint64_t{bx} * blockBytes, buffer, 16);
    if (alpha != nullptr) decodeAlpha(alpha + uint64_t{bx} * 8, buffer + 3, 16, 4);
    StoreBlockClipped(buffer, bx, 0, width, rowsLeft < 4 ? rowsLeft : 4, rows, stride);
  }
}

void ReleaseFrameBlocks(FrameBlocks* blocks) {
  free(blocks->buffers[0]);
  free(blocks->buffers[1]);
  blocks->buffers[0] = blocks->buffers[1] = nullptr;
}

// Blocks are decoded top to bottom, left to right.
ThumbStatus DecodeFrameToRgba(const uint8_t* frame, uint64_t frameLength, uint32_t width,
                              uint32_t height, uint8_t* destination, uint64_t stride) {
  FrameBlocks blocks;
  const ThumbStatus status =
      OpenFrameBlocks(frame, frameLength, width, height, destination, stride, &blocks);
  if (status != ThumbOk) return status;
  const uint32_t blocksDown = (height + 3) / 4;
  for (uint32_t by = 0; by < blocksDown; ++by) {
    DecodeBlockRowToRgba(blocks, by, destination + uint64_t{by} * 4 * stride, stride);
  }
  ReleaseFrameBlocks(&blocks);
  return ThumbOk;
}

}  // namespace orvelle
