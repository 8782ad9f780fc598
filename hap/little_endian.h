// Reads of the little-endian fields that every Hap frame uses.
#pragma once

#include <cstdint>

namespace orvelle {

inline uint32_t ReadLe24(const uint8_t* bytes) {
  return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16;
}

inline uint32_t ReadLe32(const uint8_t* bytes) { return ReadLe24(bytes) | uint32_t{bytes[3]} << 24; }

}  // namespace orvelle
