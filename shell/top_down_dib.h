// The one format in which this server makes and reads bitmaps: 32 bits a pixel, bytes
// B, G, R, A, rows from the top down.
#pragma once

#include <windows.h>

namespace orvelle {

// The header that describes such a DIB of `width` x `height` pixels, for CreateDIBSection,
// GetDIBits and a BMP file alike. A negative height is what puts the top row first.
inline BITMAPINFO TopDownDibInfo(LONG width, LONG height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

}  // namespace orvelle
