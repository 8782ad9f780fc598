// The build-time table of BC6H display bytes against the computation it stands for.
#include "texture/half_display.h"

#include <gtest/gtest.h>

namespace orvelle {
namespace {

TEST(HalfDisplayBytes, TableHoldsTheComputedByteOfEveryPositiveHalf) {
  for (uint32_t half = 0; half < 0x8000; ++half) {
    ASSERT_EQ(kHalfDisplayBytes[half], ComputeHalfDisplayByte(uint16_t(half))) << half;
  }
}

// Why the decoder may replace a negative value by +0 before the lookup.
TEST(HalfDisplayBytes, EveryHalfWithTheSignBitShowsAsZero) {
  for (uint32_t half = 0x8000; half <= 0xFFFF; ++half) {
    ASSERT_EQ(ComputeHalfDisplayByte(uint16_t(half)), 0) << half;
  }
  EXPECT_EQ(kHalfDisplayBytes[0], 0);
}

TEST(HalfDisplayBytes, KnownValues) {
  EXPECT_EQ(kHalfDisplayBytes[0x3C00], 188);  // 1.0 becomes 0.5
  EXPECT_EQ(kHalfDisplayBytes[0x4000], 213);  // 2.0
  EXPECT_EQ(kHalfDisplayBytes[0x7BFF], 255);  // 65504
}

}  // namespace
}  // namespace orvelle
