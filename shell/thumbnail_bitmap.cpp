#include "shell/thumbnail_bitmap.h"

#include <cstddef>
#include <cstdint>

#include "shell/scoped_handles.h"
#include "shell/top_down_dib.h"

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

  const BITMAPINFO info =
      TopDownDibInfo(static_cast<LONG>(image.width), static_cast<LONG>(image.height));
  void* bits = nullptr;
  ScopedBitmap made(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!made || bits == nullptr) return E_OUTOFMEMORY;

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
  *bitmap = made.release();
  return S_OK;
}

}  // namespace orvelle
