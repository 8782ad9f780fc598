// Reads of little-endian fields: every Hap frame and every RIFF (AVI) header
// uses them.
#pragma once

#include <cstdint>

namespace orvelle {

inline uint16_t ReadLe16(const uint8_t* bytes) {
  return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

inline uint32_t ReadLe24(const uint8_t* bytes) {
  return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16;
}

inline uint32_t ReadLe32(const uint8_t* bytes) { return ReadLe24(bytes) | uint32_t{bytes[3]} << 24; }

inline uint64_t ReadLe64(const uint8_t* bytes) {
  return uint64_t{ReadLe32(bytes)} | uint64_t{ReadLe32(bytes + 4)} << 32;
}

}  // namespace orvelle
