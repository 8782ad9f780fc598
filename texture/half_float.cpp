// Exact widening of IEEE 754 binary16 to binary32.
#include "texture/half_float.h"

#include <cstring>

namespace orvelle {
namespace {

float FloatFromBits(uint32_t bits) {
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

uint32_t BitsOfFloat(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  return bits;
}

}  // namespace

float HalfToFloat(uint16_t half) {
  const uint32_t magnitude = uint32_t(half & 0x7FFFu) << 13;
  const uint32_t exponent = (half >> 10) & 0x1Fu;
  uint32_t bits;
  if (exponent == 0x1F) {
    bits = magnitude | 0x70000000u;  // infinity or NaN, payload kept
  } else if (exponent != 0) {
    bits = magnitude + 0x38000000u;  // rebias the exponent from 15 to 127
  } else {
    // A subnormal half m x 2^-24 is (1 + m/1024) x 2^-14 less 2^-14, which
    // single precision holds exactly; a zero comes out as +0.0.
    bits = BitsOfFloat(FloatFromBits(magnitude + 0x38800000u) - 0x1p-14f);
  }
  return FloatFromBits(bits | (uint32_t(half & 0x8000u) << 16));
}

}  // namespace orvelle
