// One Hap frame to a full-size 8-bit RGBA image.
#pragma once

#include <cstdint>

#include "base/thumb_types.h"
#include "hap/hap_frame.h"

namespace orvelle {

// Decodes the frame into width x height R, G, B, A pixels; row y starts at
// destination + y * stride. Nothing is written on failure.
ThumbStatus DecodeFrameToRgba(const uint8_t* frame, uint64_t frameLength, uint32_t width,
                              uint32_t height, uint8_t* destination, uint64_t stride);

// A frame's textures, extracted and checked, from which the image is decoded
// a row of blocks at a time: DecodeFrameToRgba in steps, for a caller that
// consumes the image a few rows at a time.
struct FrameBlocks {
  uint8_t* buffers[2];  // the texture buffers, owned
  const uint8_t* colour;
  TextureFormat colourFormat;
  const uint8_t* alpha;  // the BC4 alpha plane, or null
  uint32_t width;
  uint32_t height;
};

// Every check and the texture extraction of DecodeFrameToRgba, with its
// statuses; the destination and stride are only checked. On ThumbOk the caller
// releases `blocks` with ReleaseFrameBlocks.
ThumbStatus OpenFrameBlocks(const uint8_t* frame, uint64_t frameLength, uint32_t width,
                            uint32_t height, const uint8_t* destination, uint64_t stride,
                            FrameBlocks* blocks);

// Decodes block row `by` into image rows 4 by to 4 by + 3, those below the
// image dropped; `rows` points at row 4 by.
void DecodeBlockRowToRgba(const FrameBlocks& blocks, uint32_t by, uint8_t* rows, uint64_t stride);

void ReleaseFrameBlocks(FrameBlocks* blocks);

// Decodes one block of `format` into a 64-byte R, G, B, A block buffer.
void DecodeBlockRgba8(const uint8_t* block, TextureFormat format, uint8_t* blockBuffer);

// Copies the decoded block (bx, by) into the image, dropping what lies outside it.
void StoreBlockClipped(const uint8_t* blockBuffer, uint32_t bx, uint32_t by, uint32_t width,
                       uint32_t height, uint8_t* destination, uint64_t stride);

// Scaled YCoCg as stored in BC3 (Co, Cg, scale, Y) to R, G, B, 255, in place.
void ConvertScaledYCoCg(uint8_t* blockBuffer);

}  // namespace orvelle
