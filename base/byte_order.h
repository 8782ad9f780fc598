// Reads of multi-byte fields from unaligned bytes: the QuickTime container is
// big-endian; Hap frames, texture blocks and RIFF (AVI) headers are
// little-endian. Four-character codes are compared as big-endian values.
#pragma once

#include <cstdint>

namespace orvelle {

inline uint32_t LoadLe16(const uint8_t* p) { return uint32_t{p[0]} | uint32_t{p[1]} << 8; }
inline uint32_t LoadLe24(const uint8_t* p) { return LoadLe16(p) | uint32_t{p[2]} << 16; }
inline uint32_t LoadLe32(const uint8_t* p) { return LoadLe16(p) | LoadLe16(p + 2) << 16; }
inline uint64_t LoadLe64(const uint8_t* p) { return LoadLe32(p) | uint64_t{LoadLe32(p + 4)} << 32; }

inline uint32_t LoadBe16(const uint8_t* p) { return uint32_t{p[0]} << 8 | p[1]; }
inline uint32_t LoadBe32(const uint8_t* p) { return LoadBe16(p) << 16 | LoadBe16(p + 2); }
inline uint64_t LoadBe64(const uint8_t* p) { return uint64_t{LoadBe32(p)} << 32 | LoadBe32(p + 4); }

// A four-character code as the big-endian value it is compared as.
constexpr uint32_t Fourcc(const char (&code)[5]) {
  return (uint32_t{static_cast<uint8_t>(code[0])} << 24) |
         (uint32_t{static_cast<uint8_t>(code[1])} << 16) |
         (uint32_t{static_cast<uint8_t>(code[2])} << 8) | uint32_t{static_cast<uint8_t>(code[3])};
}

}  // namespace orvelle
