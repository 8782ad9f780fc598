#pragma once

#include <cstdint>

namespace orvelle {

struct ThumbnailSize {
  uint32_t width;
  uint32_t height;
};

// Fits width x height into a square of `edge` pixels (edge > 0) by its longer
// side, rounding the other to nearest (halves up) and never down to 0.
ThumbnailSize FitThumbnailSize(uint32_t width, uint32_t height, uint32_t edge);

}  // namespace orvelle
