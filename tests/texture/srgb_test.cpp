#include "texture/srgb.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace orvelle {
namespace {

TEST(EncodeSrgb8, OutsideTheOpenUnitRange) {
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_EQ(EncodeSrgb8(0.0f), 0);
  EXPECT_EQ(EncodeSrgb8(-0.0f), 0);
  EXPECT_EQ(EncodeSrgb8(-0.5f), 0);
  EXPECT_EQ(EncodeSrgb8(-inf), 0);
  EXPECT_EQ(EncodeSrgb8(1.0f), 255);
  EXPECT_EQ(EncodeSrgb8(3.0f), 255);
  EXPECT_EQ(EncodeSrgb8(inf), 255);
  EXPECT_EQ(EncodeSrgb8(std::numeric_limits<float>::quiet_NaN()), 0);
}

TEST(EncodeSrgb8, KnownCodes) {
  EXPECT_EQ(EncodeSrgb8(0.0031308f), 10);  // top of the linear segment
  EXPECT_EQ(EncodeSrgb8(0.001f), 3);       // 12.92 x 0.001 x 255 = 3.29
  EXPECT_EQ(EncodeSrgb8(0.2f), 124);
  EXPECT_EQ(EncodeSrgb8(0.5f), 188);
  EXPECT_EQ(EncodeSrgb8(std::nextafter(1.0f, 0.0f)), 255);
}

// The linear segment and the power curve must meet without a step back.
TEST(EncodeSrgb8, RisesMonotonicallyAndReachesEveryCode) {
  bool seen[256] = {};
  int previous = 0;
  for (int i = 0; i <= 1 << 20; ++i) {
    const int code = EncodeSrgb8(float(i) / float(1 << 20));
    ASSERT_GE(code, previous) << i;
    previous = code;
    seen[code] = true;
  }
  for (int code = 0; code < 256; ++code) EXPECT_TRUE(seen[code]) << code;
}

}  // namespace
}  // namespace orvelle
