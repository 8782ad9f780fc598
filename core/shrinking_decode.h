// A frame decoded straight into its thumbnail, through a band of rows far
// smaller than the frame.
#pragma once

#include <cstdint>

#include "core/downscale.h"
#include "texture/frame_to_rgba.h"

namespace orvelle {

// Rows of the band that DecodeWhileShrinking decodes into: the tallest box of
// source rows behind one target row, and 16 rows more so that the band is
// not moved up for every row of blocks; never more than the frame.
uint64_t BandRows(uint32_t height, uint32_t targetHeight);

// The frame shrunk while it is decoded: rows of blocks are decoded into the
// band only as far down as the next target row needs, and each target row is
// made as soon as its source rows are there. Once the band would overflow,
// the rows above the current box are dropped by moving the rows below them
// up. The image is the same as from the whole frame, without a whole frame's
// worth of memory. `band` holds BandRows rows of `stride` bytes.
void DecodeWhileShrinking(const FrameBlocks& blocks, uint8_t* band, uint64_t stride,
                          uint32_t targetHeight, Downscaler* downscaler);

}  // namespace orvelle
