#include "core/shrinking_decode.h"

#include <cstring>

namespace orvelle {

uint64_t BandRows(uint32_t height, uint32_t targetHeight) {
  const uint64_t tallestBox = height / targetHeight + 1;
  return tallestBox + 16 < height ? tallestBox + 16 : height;
}

void DecodeWhileShrinking(const FrameBlocks& blocks, uint8_t* band, uint64_t stride,
                          uint32_t targetHeight, Downscaler* downscaler) {
  const uint64_t height = blocks.height;
  const uint64_t capacity = BandRows(blocks.height, targetHeight);
  uint64_t bandFirst = 0;   // the source row at the top of the band
  uint64_t decodedEnd = 0;  // the first row not decoded yet: a multiple of 4, or the height
  for (uint32_t y = 0; y < targetHeight; ++y) {
    uint64_t first = 0, end = 0;
    NextDownscaleRows(*downscaler, &first, &end);
    while (decodedEnd < end) {
      const uint64_t nextEnd = decodedEnd + 4 < height ? decodedEnd + 4 : height;
      if (nextEnd - bandFirst > capacity) {
        memmove(band, band + (first - bandFirst) * stride, (decodedEnd - first) * stride);
        bandFirst = first;
      }
      DecodeBlockRowToRgba(blocks, static_cast<uint32_t>(decodedEnd / 4),
                           band + (decodedEnd - bandFirst) * stride, stride);
      decodedEnd = nextEnd;
    }
    DownscaleNextRow(downscaler, band + (first - bandFirst) * stride);
  }
}

}  // namespace orvelle
