#include "core/thumbnail_size.h"

namespace orvelle {

ThumbnailSize FitThumbnailSize(uint32_t width, uint32_t height, uint32_t edge) {
  const uint64_t s = edge;
  ThumbnailSize size{edge, edge};
  if (width >= height) {
    size.height = static_cast<uint32_t>((s * height + width / 2) / width);
  } else {
    size.width = static_cast<uint32_t>((s * width + height / 2) / height);
  }
  if (size.width == 0) size.width = 1;
  if (size.height == 0) size.height = 1;
  return size;
}

}  // namespace orvelle
