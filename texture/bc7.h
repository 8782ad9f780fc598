#pragma once

#include <cstdint>

namespace orvelle {

// Decodes one 16-byte BC7 block into 16 R, G, B, A pixels; pixel (x, y) at
// destination + y * rowStride + 4 * x. Every bit pattern decodes.
void DecodeBc7Block(const uint8_t* block, uint8_t* destination, int32_t rowStride);

}  // namespace orvelle
