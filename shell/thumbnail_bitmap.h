// Turns the core's RGBA thumbnail into the bitmap the shell expects.
#pragma once

#include <windows.h>

#include "core/thumbnail.h"

namespace orvelle {

// A new 32-bit top-down DIB section of the image's size with bytes B, G, R, A (straight
// alpha). E_OUTOFMEMORY for an empty or oversized image or when GDI cannot make it;
// no bitmap survives a failure. The image stays the caller's.
HRESULT CreateThumbnailBitmap(const RgbaImage& image, HBITMAP* bitmap);

}  // namespace orvelle
