#include "core/downscale.h"

#include <cstdlib>

namespace orvelle {
namespace {

struct Span {
  uint64_t begin;
  uint64_t end;
};

// Source rows (or columns) of target row (or column) i: at least one, never
// past the source.
Span BoxSpan(uint64_t sourceLength, uint64_t targetLength, uint64_t i) {
  Span span{sourceLength * i / targetLength, sourceLength * (i + 1) / targetLength};
  if (span.end <= span.begin) span.end = span.begin + 1;
  if (span.end > sourceLength) span.end = sourceLength;
  return span;
}

}  // namespace

ThumbStatus DownscaleRgba(const uint8_t* source, uint32_t sourceWidth, uint32_t sourceHeight,
                          uint32_t targetWidth, uint32_t targetHeight, uint8_t** result) {
  const uint64_t bytes = uint64_t{targetWidth} * targetHeight * 4;
  if (bytes > SIZE_MAX) return ThumbOutOfMemory;
  auto* target = static_cast<uint8_t*>(malloc(bytes != 0 ? bytes : 1));
  if (target == nullptr) return ThumbOutOfMemory;

  const uint64_t sourceStride = uint64_t{sourceWidth} * 4;
  uint8_t* out = target;
  for (uint32_t y = 0; y < targetHeight; ++y) {
    const Span rows = BoxSpan(sourceHeight, targetHeight, y);
    for (uint32_t x = 0; x < targetWidth; ++x) {
      const Span columns = BoxSpan(sourceWidth, targetWidth, x);
      uint64_t sum[4] = {0, 0, 0, 0};
      for (uint64_t row = rows.begin; row < rows.end; ++row) {
        const uint8_t* pixel = source + row * sourceStride + columns.begin * 4;
        for (uint64_t column = columns.begin; column < columns.end; ++column, pixel += 4) {
          sum[0] += pixel[0];
          sum[1] += pixel[1];
          sum[2] += pixel[2];
          sum[3] += pixel[3];
        }
      }
      const uint64_t count = (rows.end - rows.begin) * (columns.end - columns.begin);
      for (int channel = 0; channel < 4; ++channel) {
        out[channel] = count != 0 ? static_cast<uint8_t>(sum[channel] / count) : 0;
      }
      out += 4;
    }
  }
  *result = target;
  return ThumbOk;
}

}  // namespace orvelle
