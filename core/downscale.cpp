#include "core/downscale.h"

#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <utility>

namespace orvelle {
namespace {

// The source rows (or columns) of consecutive target rows (or columns), box i
// running from floor(source * i / target) to floor(source * (i + 1) / target),
// at least one long and never past the source: walked without a division per box.
class BoxWalk {
 public:
  BoxWalk(uint64_t sourceLength, uint64_t targetLength)
      : source_(sourceLength),
        target_(targetLength),
        step_(sourceLength / targetLength),
        stepRemainder_(sourceLength % targetLength) {}

  uint64_t begin() const { return begin_; }
  uint64_t end() const {
    const uint64_t end = nextBegin_ > begin_ ? nextBegin_ : begin_ + 1;
    return end < source_ ? end : source_;
  }

  void Next() {
    begin_ = nextBegin_;
    Advance();
  }

  // Starts again at box 0.
  void Restart() {
    begin_ = 0;
    nextBegin_ = 0;
    remainder_ = 0;
    Advance();
  }

 private:
  // nextBegin_ = floor(source * (i + 1) / target), remainder_ its remainder.
  void Advance() {
    nextBegin_ += step_;
    remainder_ += stepRemainder_;
    if (remainder_ >= target_) {
      remainder_ -= target_;
      ++nextBegin_;
    }
  }

  uint64_t source_, target_, step_, stepRemainder_;
  uint64_t begin_ = 0, nextBegin_ = 0, remainder_ = 0;
};

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

template <typename ColumnSum>
void Shrink(const uint8_t* source, uint32_t sourceWidth, uint32_t sourceHeight,
            uint32_t targetWidth, uint32_t targetHeight, uint8_t* target) {
  constexpr uint64_t kStripPixels = kStripBytes / (4 * sizeof(ColumnSum));
  ColumnSum sums[kStripPixels * 4];
  const uint64_t sourceStride = uint64_t{sourceWidth} * 4;
  BoxDivider divider;
  BoxWalk rows(sourceHeight, targetHeight);
  BoxWalk columns(sourceWidth, targetWidth);
  rows.Restart();
  uint8_t* out = target;
  for (uint32_t y = 0; y < targetHeight; ++y, rows.Next()) {
    const uint64_t rowCount = rows.end() - rows.begin();
    columns.Restart();
    uint32_t x = 0;
    uint64_t partial[4] = {0, 0, 0, 0};  // of a box that goes on into the next strip
    for (uint64_t stripBegin = 0; stripBegin < sourceWidth; stripBegin += kStripPixels) {
      const uint64_t stripEnd =
          sourceWidth - stripBegin < kStripPixels ? sourceWidth : stripBegin + kStripPixels;
      const size_t values = static_cast<size_t>(stripEnd - stripBegin) * 4;
      AddRows(source + rows.begin() * sourceStride + stripBegin * 4, sourceStride, rowCount,
              values, sums);
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
}

}  // namespace

ThumbStatus DownscaleRgba(const uint8_t* source, uint32_t sourceWidth, uint32_t sourceHeight,
                          uint32_t targetWidth, uint32_t targetHeight, uint8_t** result) {
  const uint64_t bytes = uint64_t{targetWidth} * targetHeight * 4;
  if (bytes > SIZE_MAX) return ThumbOutOfMemory;
  auto* target = static_cast<uint8_t*>(malloc(bytes != 0 ? bytes : 1));
  if (target == nullptr) return ThumbOutOfMemory;

  if (sourceWidth == 0 || sourceHeight == 0) {
    // Every box is empty: all-zero pixels.
    memset(target, 0, bytes);
  } else if (targetWidth != 0 && targetHeight != 0) {
    // Boxes differ in height by at most one row.
    const uint64_t tallestBox = sourceHeight / targetHeight + 1;
    if (tallestBox * 255 <= UINT16_MAX) {
      Shrink<uint16_t>(source, sourceWidth, sourceHeight, targetWidth, targetHeight, target);
    } else if (tallestBox * 255 <= UINT32_MAX) {
      Shrink<uint32_t>(source, sourceWidth, sourceHeight, targetWidth, targetHeight, target);
    } else {
      Shrink<uint64_t>(source, sourceWidth, sourceHeight, targetWidth, targetHeight, target);
    }
  }
  *result = target;
  return ThumbOk;
}

}  // namespace orvelle
