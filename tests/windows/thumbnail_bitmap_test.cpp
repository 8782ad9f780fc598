#include "shell/thumbnail_bitmap.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/windows/bitmap_pixels.h"

namespace orvelle {
namespace {

using testing::Pixels;
using testing::ReadTopDown;

TEST(CreateThumbnailBitmap, SwapsRedAndBlueAndKeepsStraightAlpha) {
  std::vector<uint8_t> rgba = {0x11, 0x22, 0x33, 0x44};
  HBITMAP bitmap = nullptr;
  ASSERT_EQ(CreateThumbnailBitmap(RgbaImage{1, 1, rgba.data()}, &bitmap), S_OK);
  const Pixels pixels = ReadTopDown(bitmap);
  EXPECT_EQ(pixels.width, 1);
  EXPECT_EQ(pixels.height, 1);
  EXPECT_EQ(pixels.bytes, (std::vector<BYTE>{0x33, 0x22, 0x11, 0x44}));
  DeleteObject(bitmap);
}

TEST(CreateThumbnailBitmap, KeepsTheImageTopRowOnTop) {
  // 2 x 3: row r, column c holds red 16 * r + c.
  std::vector<uint8_t> rgba;
  for (uint8_t r = 0; r < 3; ++r) {
    for (uint8_t c = 0; c < 2; ++c) rgba.insert(rgba.end(), {uint8_t(16 * r + c), 0, 0, 255});
  }
  HBITMAP bitmap = nullptr;
  ASSERT_EQ(CreateThumbnailBitmap(RgbaImage{2, 3, rgba.data()}, &bitmap), S_OK);
  const Pixels pixels = ReadTopDown(bitmap);
  ASSERT_EQ(pixels.width, 2);
  ASSERT_EQ(pixels.height, 3);
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 2; ++c) EXPECT_EQ(pixels.bytes[(r * 2 + c) * 4 + 2], 16 * r + c) << r << "," << c;
  }
  DeleteObject(bitmap);
}

TEST(CreateThumbnailBitmap, RefusesEmptyAndOversizedImages) {
  uint8_t pixel[4] = {};
  for (RgbaImage image : {RgbaImage{0, 1, pixel}, RgbaImage{1, 0, pixel}, RgbaImage{1, 1, nullptr},
                          RgbaImage{0x80000000u, 1, pixel}, RgbaImage{1, 0x80000000u, pixel}}) {
    HBITMAP bitmap = reinterpret_cast<HBITMAP>(1);
    EXPECT_EQ(CreateThumbnailBitmap(image, &bitmap), E_OUTOFMEMORY);
    EXPECT_EQ(bitmap, nullptr);
  }
}

}  // namespace
}  // namespace orvelle
