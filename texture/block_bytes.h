// Packed R, G, B, A pixels for the block decoders, and the reads of their
// little-endian block fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/byte_order.h"
#include "texture/instruction_sets.h"

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

}  // namespace orvelle
