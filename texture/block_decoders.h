// Every block decoder in each build, for the code-path tables. The public
// decoders (DecodeBc1Block and the rest) are these in BaselineCode; the
// builds are instantiated in the decoders' own sources.
#pragma once

#include <cstdint>

#include "texture/instruction_sets.h"

namespace orvelle {

template <typename Code>
void DecodeBc1BlockIn(const uint8_t* block, uint8_t* destination, int32_t rowStride,
                      bool forceFourColour);
template <typename Code>
void DecodeBc3BlockIn(const uint8_t* block, uint8_t* destination, int32_t rowStride);
template <typename Code>
void DecodeBc4BlockIn(const uint8_t* block, uint8_t* destination, int32_t rowStride,
                      int32_t pixelStep);
template <typename Code>
void DecodeBc7BlockIn(const uint8_t* block, uint8_t* destination, int32_t rowStride);
template <typename Code>
void DecodeBc6hBlockIn(const uint8_t* block, uint16_t* halves, int32_t rowStride, int isSigned);
template <typename Code>
void DecodeBc6hBlockRgba8In(const uint8_t* block, int isSigned, uint8_t* rgba);

}  // namespace orvelle
