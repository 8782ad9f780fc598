// One Hap frame to a full-size 8-bit RGBA image.
#pragma once

#include <cstdint>

#include "core/thumbnail.h"
#include "hap/hap_frame.h"

namespace orvelle {

// Decodes the frame into width x height R, G, B, A pixels; row y starts at
// destination + y * stride. Nothing is written on failure.
ThumbStatus DecodeFrameToRgba(const uint8_t* frame, uint64_t frameLength, uint32_t width,
                              uint32_t height, uint8_t* destination, uint64_t stride);

// Decodes one block of `format` into a 64-byte R, G, B, A block buffer.
void DecodeBlockRgba8(const uint8_t* block, TextureFormat format, uint8_t* blockBuffer);

// Copies the decoded block (bx, by) into the image, dropping what lies outside it.
void StoreBlockClipped(const uint8_t* blockBuffer, uint32_t bx, uint32_t by, uint32_t width,
                       uint32_t height, uint8_t* destination, uint64_t stride);

// Scaled YCoCg as stored in BC3 (Co, Cg, scale, Y) to R, G, B, 255, in place.
void ConvertScaledYCoCg(uint8_t* blockBuffer);

}  // namespace orvelle
