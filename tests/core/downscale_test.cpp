#include "core/downscale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace orvelle {
namespace {

std::vector<uint8_t> Downscale(const std::vector<uint8_t>& source, uint32_t width, uint32_t height,
                               uint32_t targetWidth, uint32_t targetHeight) {
  uint8_t* target = nullptr;
  EXPECT_EQ(DownscaleRgba(source.data(), width, height, targetWidth, targetHeight, &target),
            ThumbOk);
  std::vector<uint8_t> result(target, target + size_t{targetWidth} * targetHeight * 4);
  free(target);
  return result;
}

// Pixels whose four channels are distinct functions of the position.
std::vector<uint8_t> Gradient(uint32_t width, uint32_t height) {
  std::vector<uint8_t> pixels(size_t{width} * height * 4);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      uint8_t* p = &pixels[(size_t{y} * width + x) * 4];
      p[0] = static_cast<uint8_t>(x * 7 + y);
      p[1] = static_cast<uint8_t>(y * 13);
      p[2] = static_cast<uint8_t>(x ^ y);
      p[3] = static_cast<uint8_t>(255 - x);
    }
  }
  return pixels;
}

TEST(DownscaleRgba, AveragesTruncateEachChannelOnItsOwn) {
  // Reds 1, 2, 3, 4 average 2.5 and truncate to 2; alphas 0, 0, 0, 3 give 0.
  const std::vector<uint8_t> source = {1, 10, 100, 0, 2, 20, 101, 0, 3, 30, 102, 0, 4, 40, 104, 3};
  EXPECT_EQ(Downscale(source, 2, 2, 1, 1), (std::vector<uint8_t>{2, 25, 101, 0}));
}

TEST(DownscaleRgba, BoxesTileTheSourceWithoutFractionalWeights) {
  // A 3-pixel row to 2: boxes {0} and {1, 2}.
  const std::vector<uint8_t> source = {10, 0, 0, 0, 20, 0, 0, 0, 31, 0, 0, 0};
  EXPECT_EQ(Downscale(source, 3, 1, 2, 1), (std::vector<uint8_t>{10, 0, 0, 0, 25, 0, 0, 0}));
}

TEST(DownscaleRgba, SameSizeIsAByteForByteCopy) {
  const std::vector<uint8_t> source = Gradient(7, 5);
  EXPECT_EQ(Downscale(source, 7, 5, 7, 5), source);
}

TEST(DownscaleRgba, OneByOneIsTheWholeAverage) {
  const std::vector<uint8_t> source = Gradient(9, 6);
  uint64_t sums[4] = {0, 0, 0, 0};
  for (size_t i = 0; i < source.size(); ++i) sums[i % 4] += source[i];
  const std::vector<uint8_t> expected = {
      static_cast<uint8_t>(sums[0] / 54), static_cast<uint8_t>(sums[1] / 54),
      static_cast<uint8_t>(sums[2] / 54), static_cast<uint8_t>(sums[3] / 54)};
  EXPECT_EQ(Downscale(source, 9, 6, 1, 1), expected);
}

TEST(DownscaleRgba, TransparentPixelsCountLikeAnyOther) {
  const std::vector<uint8_t> source = {200, 200, 200, 0, 100, 100, 100, 255};
  EXPECT_EQ(Downscale(source, 2, 1, 1, 1), (std::vector<uint8_t>{150, 150, 150, 127}));
}

TEST(DownscaleRgba, EveryBoxMatchesABruteForceAverage) {
  const uint32_t width = 37, height = 23, targetWidth = 10, targetHeight = 7;
  const std::vector<uint8_t> source = Gradient(width, height);
  const std::vector<uint8_t> target = Downscale(source, width, height, targetWidth, targetHeight);
  for (uint32_t ty = 0; ty < targetHeight; ++ty) {
    for (uint32_t tx = 0; tx < targetWidth; ++tx) {
      const uint32_t y0 = height * ty / targetHeight, y1 = height * (ty + 1) / targetHeight;
      const uint32_t x0 = width * tx / targetWidth, x1 = width * (tx + 1) / targetWidth;
      for (int c = 0; c < 4; ++c) {
        uint32_t sum = 0;
        for (uint32_t y = y0; y < y1; ++y) {
          for (uint32_t x = x0; x < x1; ++x) sum += source[(y * width + x) * 4 + c];
        }
        ASSERT_EQ(target[(ty * targetWidth + tx) * 4 + c], sum / ((y1 - y0) * (x1 - x0)))
            << "pixel " << tx << "," << ty << " channel " << c;
      }
    }
  }
}

TEST(DownscaleRgba, LargerTargetRepeatsSourcePixels) {
  const std::vector<uint8_t> source = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(Downscale(source, 2, 1, 4, 1),
            (std::vector<uint8_t>{1, 2, 3, 4, 1, 2, 3, 4, 5, 6, 7, 8, 5, 6, 7, 8}));
}

TEST(DownscaleRgba, EmptySourceGivesZeroPixels) {
  const uint8_t unused = 0;
  uint8_t* target = nullptr;
  ASSERT_EQ(DownscaleRgba(&unused, 0, 3, 2, 1, &target), ThumbOk);
  EXPECT_EQ(std::vector<uint8_t>(target, target + 8), std::vector<uint8_t>(8, 0));
  free(target);
}

// Found by the downscale fuzzer: a target without rows divided by its height.
TEST(DownscaleRgba, ATargetWithoutRowsOrColumnsIsEmpty) {
  const std::vector<uint8_t> source = Gradient(3, 2);
  EXPECT_TRUE(Downscale(source, 3, 2, 5, 0).empty());
  EXPECT_TRUE(Downscale(source, 3, 2, 0, 5).empty());
}

}  // namespace
}  // namespace orvelle
