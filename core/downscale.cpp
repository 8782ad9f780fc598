#include "core/downscale.h"

#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <utility>

#include "core/box_walk.h"

namespace orvelle {
namespace {

// sum / count, truncated, for sums of at most 255 x count. Below 2^24 pixels a
// box divides by multiplying with ceil(2^56 / count): the error stays under
// 1 / count, so the quotient is exact. The last two counts are remembered,
// since a row of boxes has at most two widths.
class BoxDivider {
 public:
  uint8_t Divide(uint64_t sum, uint64_t count) {
    if (count >= kExactBelow) return static_cast<uint8_t>(sum / count);
    if (count != counts_[0]) {
      std::swap(counts_[0], counts_[1]);
      std::swap(multipliers_[0], multipliers_[1]);
      if (count != counts_[0]) {
        counts_[0] = count;
        multipliers_[0] = ((uint64_t{1} << 56) - 1) / count + 1;
      }
    }
    return static_cast<uint8_t>(sum * multipliers_[0] >> 56);
  }

 private:
  static constexpr uint64_t kExactBelow = uint64_t{1} << 24;
  uint64_t counts_[2] = {0, 0};
  uint64_t multipliers_[2] = {0, 0};
};

// Column sums of a strip of source pixels, added up over the rows of a box in
// the narrowest type that cannot overflow: 16 bits for boxes up to 257 rows.
constexpr size_t kStripBytes = 32768;

// sums[i] = the sum of byte i of `count` rows, four rows at a time so that
// the sums go through the cache a quarter as often.
template <typename ColumnSum>
void AddRows(const uint8_t* row, uint64_t stride, uint64_t count, size_t values, ColumnSum* sums) {
  for (size_t i = 0; i < values; ++i) sums[i] = row[i];
  uint64_t r = 1;
  for (; r + 4 <= count; r += 4) {
    const uint8_t* a = row + r * stride;
    const uint8_t* b = a + stride;
    const uint8_t* c = b + stride;
    const uint8_t* d = c + stride;
    for (size_t i = 0; i < values; ++i) {
      sums[i] = static_cast<ColumnSum>(sums[i] + a[i] + b[i] + c[i] + d[i]);
    }
  }
  for (; r < count; ++r) {
    const uint8_t* a = row + r * stride;
    for (size_t i = 0; i < values; ++i) sums[i] = static_cast<ColumnSum>(sums[i] + a[i]);
  }
}

// partial[channel] += the sums of `count` columns. 16-bit column sums of one
// strip (at most 257 rows of 4096 columns) add up to less than 2^28, so they
// are added in 32 bits.
template <typename ColumnSum>
void AddColumns(const ColumnSum* sums, uint64_t count, uint64_t partial[4]) {
  using Total = std::conditional_t<sizeof(ColumnSum) == 2, uint32_t, uint64_t>;
  Total total[4] = {0, 0, 0, 0};
  for (uint64_t c = 0; c < count; ++c, sums += 4) {
    for (int channel = 0; channel < 4; ++channel) total[channel] += sums[channel];
  }
  for (int channel = 0; channel < 4; ++channel) partial[channel] += total[channel];
}

// One target row from the `rowCount` source rows at `rows`, strip by strip of
// columns; a box that straddles two strips carries its partial sums over.
template <typename ColumnSum>
void ShrinkRow(const uint8_t* rows, uint64_t rowCount, uint32_t sourceWidth, uint32_t targetWidth,
               uint8_t* out) {
  constexpr uint64_t kStripPixels = kStripBytes / (4 * sizeof(ColumnSum));
  ColumnSum sums[kStripPixels * 4];
  const uint64_t sourceStride = uint64_t{sourceWidth} * 4;
  BoxDivider divider;
  BoxWalk columns;
  columns.Start(sourceWidth, targetWidth);
  uint32_t x = 0;
  uint64_t partial[4] = {0, 0, 0, 0};
  for (uint64_t stripBegin = 0; stripBegin < sourceWidth; stripBegin += kStripPixels) {
    const uint64_t stripEnd =
        sourceWidth - stripBegin < kStripPixels ? sourceWidth : stripBegin + kStripPixels;
    const size_t values = static_cast<size_t>(stripEnd - stripBegin) * 4;
    AddRows(rows + stripBegin * 4, sourceStride, rowCount, values, sums);
    // Finish every box that ends inside the strip.
    for (; x < targetWidth; ++x, columns.Next()) {
      const uint64_t first = columns.begin() > stripBegin ? columns.begin() : stripBegin;
      const uint64_t last = columns.end() < stripEnd ? columns.end() : stripEnd;
      AddColumns(&sums[(first - stripBegin) * 4], first < last ? last - first : 0, partial);
      if (columns.end() > stripEnd) break;
      const uint64_t count = rowCount * (columns.end() - columns.begin());
      for (int channel = 0; channel < 4; ++channel) {
        *out++ = divider.Divide(partial[channel], count);
        partial[channel] = 0;
      }
    }
  }
}

}  // namespace

ThumbStatus BeginDownscale(uint32_t sourceWidth, uint32_t sourceHeight, uint32_t targetWidth,
                           uint32_t targetHeight, Downscaler* downscaler) {
  const uint64_t bytes = uint64_t{targetWidth} * targetHeight * 4;
  HeapPtr<uint8_t> target = AllocateArray<uint8_t>(bytes != 0 ? bytes : 1);
  if (target == nullptr) return ThumbOutOfMemory;
  const bool empty = sourceWidth == 0 || sourceHeight == 0;
  // Every box of an empty source is empty: all-zero pixels.
  if (empty) memset(target.get(), 0, bytes);
  *downscaler = Downscaler{sourceWidth, targetWidth, std::move(target), 0, BoxWalk(), 0};
  downscaler->rows.Start(empty ? 0 : sourceHeight, targetHeight != 0 ? targetHeight : 1);
  if (!empty && targetWidth != 0 && targetHeight != 0) {
    // Boxes differ in height by at most one row; the column sums take the
    // narrowest type that cannot overflow, 16 bits up to 257 rows.
    const uint64_t tallestBox = sourceHeight / targetHeight + 1;
    downscaler->sumBytes = tallestBox * 255 <= UINT16_MAX   ? 2
                           : tallestBox * 255 <= UINT32_MAX ? 4
                                                            : 8;
  }
  return ThumbOk;
}

void NextDownscaleRows(const Downscaler& downscaler, uint64_t* first, uint64_t* end) {
  *first = downscaler.rows.begin();
  *end = downscaler.rows.end();
}

void DownscaleNextRow(Downscaler* downscaler, const uint8_t* rows) {
  const uint64_t rowCount = downscaler->rows.end() - downscaler->rows.begin();
  uint8_t* out = downscaler->target.get() + uint64_t{downscaler->nextRow} * downscaler->targetWidth * 4;
  const uint32_t width = downscaler->sourceWidth, targetWidth = downscaler->targetWidth;
  switch (downscaler->sumBytes) {
    case 2:
      ShrinkRow<uint16_t>(rows, rowCount, width, targetWidth, out);
      break;
    case 4:
      ShrinkRow<uint32_t>(rows, rowCount, width, targetWidth, out);
      break;
    case 8:
      ShrinkRow<uint64_t>(rows, rowCount, width, targetWidth, out);
      break;
    default:
      break;  // an empty source, already zero
  }
  ++downscaler->nextRow;
  downscaler->rows.Next();
}

ThumbStatus DownscaleRgba(const uint8_t* source, uint32_t sourceWidth, uint32_t sourceHeight,
                          uint32_t targetWidth, uint32_t targetHeight, uint8_t** result) {
  Downscaler downscaler;
  const ThumbStatus status =
      BeginDownscale(sourceWidth, sourceHeight, targetWidth, targetHeight, &downscaler);
  if (status != ThumbOk) return status;
  const uint64_t sourceStride = uint64_t{sourceWidth} * 4;
  for (uint32_t y = 0; y < targetHeight; ++y) {
    uint64_t first = 0, end = 0;
    NextDownscaleRows(downscaler, &first, &end);
    DownscaleNextRow(&downscaler, source + first * sourceStride);
  }
  *result = downscaler.target.release();
  return ThumbOk;
}

}  // namespace orvelle
