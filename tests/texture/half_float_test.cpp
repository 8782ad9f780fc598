#include "texture/half_float.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace orvelle {
namespace {

uint32_t Bits(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  return bits;
}

// The value of a finite half straight from its fields, in double precision.
double HalfValue(uint16_t half) {
  const int exponent = (half >> 10) & 0x1F;
  const int mantissa = half & 0x3FF;
  const double magnitude = exponent == 0 ? std::ldexp(double(mantissa), -24)
                                         : std::ldexp(double(1024 + mantissa), exponent - 25);
  return (half & 0x8000) ? -magnitude : magnitude;
}

TEST(HalfToFloat, EveryPatternIsExact) {
  for (uint32_t h = 0; h <= 0xFFFF; ++h) {
    const uint16_t half = uint16_t(h);
    const float f = HalfToFloat(half);
    if (((half >> 10) & 0x1F) == 0x1F) {
      // Infinity or NaN: the sign and the mantissa move up unchanged.
      const uint32_t expected = (uint32_t(half & 0x8000) << 16) | 0x7F800000u |
                                (uint32_t(half & 0x3FF) << 13);
      ASSERT_EQ(Bits(f), expected) << std::hex << h;
    } else {
      // Comparing bits also tells +0.0 from -0.0.
      ASSERT_EQ(Bits(f), Bits(float(HalfValue(half)))) << std::hex << h;
    }
  }
}

TEST(HalfToFloat, NotablePatterns) {
  EXPECT_EQ(HalfToFloat(0x3C00), 1.0f);
  EXPECT_EQ(HalfToFloat(0x0001), 0x1p-24f);
  EXPECT_EQ(HalfToFloat(0x03FF), 1023 * 0x1p-24f);
  EXPECT_EQ(HalfToFloat(0x7BFF), 65504.0f);
  EXPECT_EQ(HalfToFloat(0x7C00), std::numeric_limits<float>::infinity());
  EXPECT_EQ(HalfToFloat(0xFC00), -std::numeric_limits<float>::infinity());
  EXPECT_EQ(Bits(HalfToFloat(0x0000)), 0x00000000u);
  EXPECT_EQ(Bits(HalfToFloat(0x8000)), 0x80000000u);
  EXPECT_EQ(Bits(HalfToFloat(0x7E01)), 0x7FC02000u);  // quiet NaN, payload kept
  EXPECT_EQ(Bits(HalfToFloat(0xFD55)), 0xFFAAA000u);  // signalling NaN stays signalling
}

}  // namespace
}  // namespace orvelle
