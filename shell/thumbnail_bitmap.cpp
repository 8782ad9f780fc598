#include "shell/thumbnail_bitmap.h"

#include <cstddef>
#include <cstdint>

namespace orvelle {

namespace {

constexpr uint32_t kMaxBitmapEdge = 0x7FFFFFFF;

}  // namespace

HRESULT CreateThumbnailBitmap(const RgbaImage& image, HBITMAP* bitmap) {
  *bitmap = nullptr;
  if (image.width == 0 || image.height == 0 || image.pixels == nullptr ||
      image.width > kMaxBitmapEdge || image.height > kMaxBitmapEdge) {
    return E_OUTOFMEMORY;
  }

  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = static_cast<LONG>(image.width);
  info.bmiHeader.biHeight = -static_cast<LONG>(image.height);  // negative: rows top to bottom
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;

  void* bits = nullptr;
  HBITMAP made = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (made == nullptr) return E_OUTOFMEMORY;
  if (bits == nullptr) {
    DeleteObject(made);
    return E_OUTOFMEMORY;
  }

  // 32-bit rows need no padding, so source and destination strides are both width * 4.
  const size_t count = static_cast<size_t>(image.width) * image.height;
  const uint8_t* from = image.pixels;
  auto* to = static_cast<uint8_t*>(bits);
  for (size_t i = 0; i < count; ++i, from += 4, to += 4) {
    to[0] = from[2];
    to[1] = from[1];
    to[2] = from[0];
    to[3] = from[3];
  }
  *bitmap = made;
  return S_OK;
}

}  // namespace orvelle
