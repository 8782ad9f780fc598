#include "core/thumbnail_size.h"

#include <gtest/gtest.h>

namespace orvelle {
namespace {

struct FitCase {
  uint32_t width, height, edge, expectedWidth, expectedHeight;
};

TEST(FitThumbnailSize, FitsTheLongerEdgeAndRoundsTheOther) {
  const FitCase cases[] = {
      {1920, 1080, 256, 256, 144},  // exactly 144
      {1080, 1920, 256, 144, 256},
      {1000, 335, 100, 100, 34},  // an exact half rounds up
      {4000, 10, 100, 100, 1},    // never 0
      {10, 4000, 100, 1, 100},
      {640, 640, 256, 256, 256},
      {UINT32_MAX, UINT32_MAX - 1, UINT32_MAX, UINT32_MAX, UINT32_MAX - 1},
  };
  for (const FitCase& c : cases) {
    const ThumbnailSize size = FitThumbnailSize(c.width, c.height, c.edge);
    EXPECT_EQ(size.width, c.expectedWidth) << c.width << "x" << c.height << " at " << c.edge;
    EXPECT_EQ(size.height, c.expectedHeight) << c.width << "x" << c.height << " at " << c.edge;
  }
}

}  // namespace
}  // namespace orvelle
