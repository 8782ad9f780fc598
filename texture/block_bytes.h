// Packed R, G, B, A pixels for the block decoders, and the reads of their
// little-endian block fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/byte_order.h"
#include "texture/instruction_sets.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace orvelle {

// One R, G, B, A pixel as the 32-bit word that holds its bytes in memory order.
inline uint32_t PackRgba(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
  const uint8_t bytes[4] = {uint8_t(r), uint8_t(g), uint8_t(b), uint8_t(a)};
  uint32_t word;
  std::memcpy(&word, bytes, 4);
  return word;
}

// The word whose alpha byte is all ones and whose colour bytes are zero.
inline uint32_t AlphaMask() { return PackRgba(0, 0, 0, 255); }

inline void StorePixel(uint8_t* destination, uint32_t pixel) {
  std::memcpy(destination, &pixel, 4);
}

// Four pixels side by side.
inline void StoreRow(PlainCode, uint8_t* destination, const uint32_t (&pixels)[4]) {
  for (int column = 0; column < 4; ++column) StorePixel(destination + 4 * column, pixels[column]);
}

#if defined(__SSE2__)
// Stored at once, so that a later 16-byte load of the row (a block buffer
// copied into the image) takes them straight from the store instead of waiting
// for four stores to land.
inline void StoreRow(Sse2Code, uint8_t* destination, const uint32_t (&pixels)[4]) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(destination),
                   _mm_setr_epi32(int(pixels[0]), int(pixels[1]), int(pixels[2]), int(pixels[3])));
}
#endif

}  // namespace orvelle
