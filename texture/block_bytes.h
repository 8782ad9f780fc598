// Little-endian block fields and packed R, G, B, A pixels, for the block decoders.
#pragma once

#include <cstdint>
#include <cstring>

namespace orvelle {

inline uint32_t LoadLe16(const uint8_t* p) { return uint32_t{p[0]} | uint32_t{p[1]} << 8; }
inline uint32_t LoadLe32(const uint8_t* p) { return LoadLe16(p) | LoadLe16(p + 2) << 16; }
inline uint64_t LoadLe64(const uint8_t* p) { return LoadLe32(p) | uint64_t{LoadLe32(p + 4)} << 32; }

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

}  // namespace orvelle
