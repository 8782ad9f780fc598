// DownscaleRgba against the box average computed the plain way, one box at a
// time, on sources of any shape: wide ones that cross the downscaler's column
// strips, tall ones whose boxes need wide sums, and targets larger than the
// source.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/downscale.h"
#include "fuzz/fuzz_input.h"

namespace {

using namespace orvelle;
using fuzz::Expect;

constexpr uint64_t kMaxPixels = uint64_t{1} << 18;

struct Span {
  uint64_t begin;
  uint64_t end;
};

// Source rows (or columns) of target row (or column) i: at least one, never past the source.
Span Box(uint64_t sourceLength, uint64_t targetLength, uint64_t i) {
  Span span{sourceLength * i / targetLength, sourceLength * (i + 1) / targetLength};
  if (span.end <= span.begin) span.end = span.begin + 1;
  if (span.end > sourceLength) span.end = sourceLength;
  return span;
}

void ExpectBoxAverages(const std::vector<uint8_t>& source, const fuzz::DownscaleInput& in,
                       uint32_t sourceHeight, const uint8_t* target) {
  for (uint32_t y = 0; y < in.targetHeight; ++y) {
    const Span rows = Box(sourceHeight, in.targetHeight, y);
    for (uint32_t x = 0; x < in.targetWidth; ++x, target += 4) {
      const Span columns = Box(in.sourceWidth, in.targetWidth, x);
      uint64_t sum[4] = {0, 0, 0, 0};
      for (uint64_t row = rows.begin; row < rows.end; ++row) {
        const uint8_t* pixel = source.data() + (row * in.sourceWidth + columns.begin) * 4;
        for (uint64_t column = columns.begin; column < columns.end; ++column, pixel += 4) {
          for (int c = 0; c < 4; ++c) sum[c] += pixel[c];
        }
      }
      const uint64_t count = (rows.end - rows.begin) * (columns.end - columns.begin);
      for (int c = 0; c < 4; ++c) {
        Expect(target[c] == (count != 0 ? sum[c] / count : 0),
               "each byte is its box's truncated average");
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::DownscaleInput in;
  if (!fuzz::ParseDownscaleInput(data, size, &in)) return 0;
  // Fold the height so that a run stays fast; the width keeps its whole range.
  uint32_t sourceHeight = in.sourceHeight;
  if (in.sourceWidth != 0 && uint64_t{in.sourceWidth} * sourceHeight > kMaxPixels) {
    sourceHeight = 1 + (sourceHeight - 1) % (kMaxPixels / in.sourceWidth);
  }
  // An enlarged edge visits its source pixels once per target pixel.
  if (uint64_t{std::max<uint32_t>(in.sourceWidth, in.targetWidth)} *
          std::max<uint32_t>(sourceHeight, in.targetHeight) >
      kMaxPixels) {
    return 0;
  }
  // Exactly the source's bytes, so that a read past them is caught.
  std::vector<uint8_t> source(uint64_t{in.sourceWidth} * sourceHeight * 4);
  for (size_t at = 0; at < source.size() && in.length != 0; at += in.length) {
    std::memcpy(source.data() + at, in.pixels, std::min(in.length, source.size() - at));
  }

  uint8_t* target = nullptr;
  Expect(DownscaleRgba(source.data(), in.sourceWidth, sourceHeight, in.targetWidth, in.targetHeight,
                       &target) == ThumbOk,
         "downscaling succeeds");
  ExpectBoxAverages(source, in, sourceHeight, target);
  free(target);
  return 0;
}
