#pragma once

#include <cstdint>

namespace orvelle {

// Decodes one 16-byte BC7 block into 16 R, G, B, A pixels; pixel (x, y) at
// destination + y * rowStride + 4 * x. Every bit pattern decodes.
void DecodeBc7Block(const uint8_t* block, uint8_t* destination, int32_t rowStride);

// The same in one build (texture/instruction_sets.h), for the code paths; the
// one above is the active path's.
template <typename Code>
void DecodeBc7BlockIn(const uint8_t* block, uint8_t* destination, int32_t rowStride);

}  // namespace orvelle
