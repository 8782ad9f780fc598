// BC6H block decoding, signed or unsigned, and its display mapping to RGBA8.
#pragma once

#include <cstdint>

namespace orvelle {

// 16 pixels of R, G, B binary16 patterns; pixel (x, y) at halves[y * rowStride + 3 * x].
void DecodeBc6hBlock(const uint8_t* block, uint16_t* halves, int32_t rowStride, int isSigned);

// The same as 32-bit floats; rowStride counts floats.
void DecodeBc6hBlockFloat(const uint8_t* block, float* floats, int32_t rowStride, int isSigned);

// A 64-byte R, G, B, A tile: negatives to 0, x / (x + 1), sRGB, alpha 255.
void DecodeBc6hBlockRgba8(const uint8_t* block, int isSigned, uint8_t* rgba);

// DecodeBc6hBlock and DecodeBc6hBlockRgba8 in one build (texture/instruction_sets.h),
// for the code paths; the ones above are the active path's.
template <typename Code>
void DecodeBc6hBlockIn(const uint8_t* block, uint16_t* halves, int32_t rowStride, int isSigned);
template <typename Code>
void DecodeBc6hBlockRgba8In(const uint8_t* block, int isSigned, uint8_t* rgba);

// The unquantized endpoints of a block, two per region, R, G, B each: what
// every build's interpolation starts from.
struct Bc6hEndpoints {
  int32_t value[4][3];
  bool twoRegions;
};

}  // namespace orvelle
