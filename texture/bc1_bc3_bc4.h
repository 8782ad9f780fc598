// BC1, BC3 and BC4 (unsigned) block decoders. Pixel k = 4 * row + column.
#pragma once

#include <cstdint>

namespace orvelle {

// Writes 16 R, G, B, A pixels; pixel (c, r) at destination + r * rowStride + c * 4.
void DecodeBc1Block(const uint8_t* block, uint8_t* destination, int32_t rowStride,
                    bool forceFourColour);

// Writes 16 single bytes; pixel (c, r) at destination + r * rowStride + c * pixelStep.
void DecodeBc4Block(const uint8_t* block, uint8_t* destination, int32_t rowStride,
                    int32_t pixelStep);

// Colour from bytes 8-15 in four-colour mode, then alpha from bytes 0-7.
void DecodeBc3Block(const uint8_t* block, uint8_t* destination, int32_t rowStride);

// The same in one build (texture/instruction_sets.h), for the code paths; the
// ones above are those of the active path.
template <typename Code>
void DecodeBc1BlockIn(const uint8_t* block, uint8_t* destination, int32_t rowStride,
                      bool forceFourColour);
template <typename Code>
void DecodeBc3BlockIn(const uint8_t* block, uint8_t* destination, int32_t rowStride);
template <typename Code>
void DecodeBc4BlockIn(const uint8_t* block, uint8_t* destination, int32_t rowStride,
                      int32_t pixelStep);

}  // namespace orvelle
