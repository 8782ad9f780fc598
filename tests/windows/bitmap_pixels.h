// Reads a bitmap back the way a consumer sees it, whatever its row order in memory.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "shell/scoped_handles.h"
#include "shell/top_down_dib.h"

namespace orvelle::testing {

struct Pixels {
  LONG width = 0;
  LONG height = 0;
  std::vector<BYTE> bytes;  // B, G, R, A; the top row first
};

// Expects a 32-bit DIB section and returns its pixels through GetDIBits, which
// reorders the rows of a bottom-up bitmap.
inline Pixels ReadTopDown(HBITMAP bitmap) {
  Pixels pixels;
  DIBSECTION dib = {};
  EXPECT_EQ(GetObjectW(bitmap, sizeof dib, &dib), static_cast<int>(sizeof dib)) << "not a DIB section";
  EXPECT_EQ(dib.dsBm.bmBitsPixel, 32);
  pixels.width = dib.dsBm.bmWidth;
  pixels.height = dib.dsBm.bmHeight;
  pixels.bytes.resize(static_cast<size_t>(pixels.width) * pixels.height * 4);
  BITMAPINFO info = TopDownDibInfo(pixels.width, pixels.height);
  const ScopedDc dc(CreateCompatibleDC(nullptr));
  EXPECT_EQ(GetDIBits(dc.get(), bitmap, 0, static_cast<UINT>(pixels.height), pixels.bytes.data(),
                      &info, DIB_RGB_COLORS),
            pixels.height);
  return pixels;
}

}  // namespace orvelle::testing
