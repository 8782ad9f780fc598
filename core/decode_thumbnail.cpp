#include <cstdlib>
#include <cstring>
#include <utility>

#include "container/parse_container.h"
#include "core/downscale.h"
#include "base/heap_ptr.h"
#include "base/input_limits.h"
#include "core/thumbnail.h"
#include "core/thumbnail_size.h"
#include "texture/frame_to_rgba.h"

namespace orvelle {
namespace {

// Locates and reads the middle sample; the track tables are released on every
// path. On ThumbOk `sample` holds the sample's `sampleSize` bytes.
ThumbStatus ReadMiddleSample(const ByteSource* source, TrackInfo* track, HeapPtr<uint8_t>* sample,
                             uint32_t* sampleSize) {
  const ReleasingPtr<TrackInfo, ReleaseTrackTables> tables(track);
  uint64_t offset = 0;
  uint32_t size = 0;
  const ThumbStatus located = LocateSample(track, track->sampleCount / 2, &offset, &size);
  if (located != ThumbOk) return located;
  if (size == 0 || offset > source->size || size > source->size - offset ||
      size > kMaxSampleBytes) {
    return ThumbBadData;
  }
  HeapPtr<uint8_t> buffer = AllocateArray<uint8_t>(size);
  if (buffer == nullptr) return ThumbOutOfMemory;
  if (source->read(source->context, offset, buffer.get(), size) != size) return ThumbReadFailed;
  *sample = std::move(buffer);
  *sampleSize = size;
  return ThumbOk;
}

// Rows of the band that DecodeWhileShrinking decodes into: the tallest box of
// source rows behind one target row, and 16 rows more so that the band is
// not moved up for every row of blocks; never more than the frame.
uint64_t BandRows(uint32_t height, uint32_t targetHeight) {
  const uint64_t tallestBox = height / targetHeight + 1;
  return tallestBox + 16 < height ? tallestBox + 16 : height;
}

// The frame shrunk while it is decoded: rows of blocks are decoded into the
// band only as far down as the next target row needs, and each target row is
// made as soon as its source rows are there. Once the band would overflow,
// the rows above the current box are dropped by moving the rows below them
// up. The image is the same as from the whole frame, without a whole frame's
// worth of memory.
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

}  // namespace

ThumbStatus DecodeThumbnail(const ByteSource* source, uint32_t requestedSize, RgbaImage* image) {
  if (source == nullptr || source->read == nullptr || image == nullptr) {
    return ThumbInvalidArgument;
  }
  *image = RgbaImage{0, 0, nullptr};

  TrackInfo track{};
  const ThumbStatus parsed = ParseContainer(source, &track);
  if (parsed != ThumbOk) return parsed;
  if (track.width == 0 || track.height == 0 || track.sampleCount == 0) {
    ReleaseTrackTables(&track);
    return ThumbBadData;
  }
  const uint32_t width = track.width;
  const uint32_t height = track.height;

  HeapPtr<uint8_t> sample;
  uint32_t sampleSize = 0;
  const ThumbStatus read = ReadMiddleSample(source, &track, &sample, &sampleSize);
  if (read != ThumbOk) return read;

  // The conversion refuses such a frame anyway; refusing it here keeps a hostile
  // header from making us allocate gigabytes first.
  if (width > kMaxFrameEdge || height > kMaxFrameEdge) return ThumbInvalidArgument;
  const uint64_t stride = uint64_t{width} * 4;
  const bool shrinking = requestedSize != 0 && (width > requestedSize || height > requestedSize);
  const ThumbnailSize target =
      shrinking ? FitThumbnailSize(width, height, requestedSize) : ThumbnailSize{width, height};
  // A thumbnail takes only its band: a heap commits all it hands out, whether
  // the rows are written or not.
  const uint64_t rows = shrinking ? BandRows(height, target.height) : height;
  HeapPtr<uint8_t> pixels = AllocateArray<uint8_t>(stride * rows);
  if (pixels == nullptr) return ThumbOutOfMemory;
  if (!shrinking) {
    const ThumbStatus converted =
        DecodeFrameToRgba(sample.get(), sampleSize, width, height, pixels.get(), stride);
    if (converted != ThumbOk) return converted;
    *image = RgbaImage{width, height, pixels.release()};
    return ThumbOk;
  }

  // Shrunk: the frame's textures are extracted as DecodeFrameToRgba does (same
  // checks and statuses), then decoded a band at a time.
  FrameBlocks blocks;
  const ThumbStatus opened =
      OpenFrameBlocks(sample.get(), sampleSize, width, height, pixels.get(), stride, &blocks);
  sample.reset();  // the textures hold all that is left to decode
  if (opened != ThumbOk) return opened;
  const ReleasingPtr<FrameBlocks, ReleaseFrameBlocks> textures(&blocks);
  Downscaler downscaler;
  const ThumbStatus begun = BeginDownscale(width, height, target.width, target.height, &downscaler);
  if (begun != ThumbOk) return begun;
  DecodeWhileShrinking(blocks, pixels.get(), stride, target.height, &downscaler);
  *image = RgbaImage{target.width, target.height, downscaler.target};
  return ThumbOk;
}

void ReleaseImage(RgbaImage* image) {
  if (image == nullptr) return;
  free(image->pixels);
  *image = RgbaImage{0, 0, nullptr};
}

}  // namespace orvelle
