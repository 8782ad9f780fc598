#pragma once

#include <cstdint>

#include "base/heap_ptr.h"
#include "base/thumb_types.h"
#include "core/box_walk.h"

namespace orvelle {

// Box-filters tightly packed 4-byte pixels to a newly malloc'd target image:
// each target byte is the truncated average of its box of source bytes.
// `result` is written only on ThumbOk; the caller frees it.
ThumbStatus DownscaleRgba(const uint8_t* source, uint32_t sourceWidth, uint32_t sourceHeight,
                          uint32_t targetWidth, uint32_t targetHeight, uint8_t** result);

// DownscaleRgba a target row at a time, top to bottom, for a caller that holds
// only some source rows at once: NextDownscaleRows names the source rows of
// the next target row, which DownscaleNextRow then reads.
struct Downscaler {
  uint32_t sourceWidth;
  uint32_t targetWidth;
  HeapPtr<uint8_t> target;  // the result, handed to the caller once every row is made
  uint32_t nextRow;
  BoxWalk rows;
  int sumBytes;  // width of the column sums; 0 when there is nothing to add up
};

// Allocates the target as DownscaleRgba does, with the same failure.
ThumbStatus BeginDownscale(uint32_t sourceWidth, uint32_t sourceHeight, uint32_t targetWidth,
                           uint32_t targetHeight, Downscaler* downscaler);

// Source rows [first, end) of the next target row.
void NextDownscaleRows(const Downscaler& downscaler, uint64_t* first, uint64_t* end);

// Makes the next target row; `rows` points at its first source row, the rows
// sourceWidth x 4 bytes apart.
void DownscaleNextRow(Downscaler* downscaler, const uint8_t* rows);

}  // namespace orvelle
