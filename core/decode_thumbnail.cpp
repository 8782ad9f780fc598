#include <cstdlib>
#include <cstring>

#include "container/track_info.h"
#include "core/downscale.h"
#include "core/thumbnail.h"
#include "core/thumbnail_size.h"
#include "texture/frame_to_rgba.h"

namespace orvelle {
namespace {

constexpr uint32_t kMaxSampleSize = 0x8000000;  // 128 MiB
constexpr uint32_t kMaxFrameEdge = 0x4000;

// Locates and reads the middle sample, releasing the track tables on every
// path. On ThumbOk `sample` holds a malloc'd buffer of `sampleSize` bytes.
ThumbStatus ReadMiddleSample(const ByteSource* source, TrackInfo* track, uint8_t** sample,
                             uint32_t* sampleSize) {
  uint64_t offset = 0;
  uint32_t size = 0;
  const ThumbStatus located = LocateSample(track, track->sampleCount / 2, &offset, &size);
  if (located != ThumbOk) {
    ReleaseTrackTables(track);
    return located;
  }
  if (size == 0 || offset > source->size || size > source->size - offset ||
      size > kMaxSampleSize) {
    ReleaseTrackTables(track);
    return ThumbBadData;
  }
  auto* buffer = static_cast<uint8_t*>(malloc(size));
  if (buffer == nullptr) {
    ReleaseTrackTables(track);
    return ThumbOutOfMemory;
  }
  if (source->read(source->context, offset, buffer, size) != size) {
    free(buffer);
    ReleaseTrackTables(track);
    return ThumbReadFailed;
  }
  ReleaseTrackTables(track);
  *sample = buffer;
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

  uint8_t* sample = nullptr;
  uint32_t sampleSize = 0;
  const ThumbStatus read = ReadMiddleSample(source, &track, &sample, &sampleSize);
  if (read != ThumbOk) return read;

  // The conversion refuses such a frame anyway; refusing it here keeps a hostile
  // header from making us allocate gigabytes first.
  if (width > kMaxFrameEdge || height > kMaxFrameEdge) {
    free(sample);
    return ThumbInvalidArgument;
  }
  const uint64_t stride = uint64_t{width} * 4;
  const bool shrinking = requestedSize != 0 && (width > requestedSize || height > requestedSize);
  const ThumbnailSize target =
      shrinking ? FitThumbnailSize(width, height, requestedSize) : ThumbnailSize{width, height};
  // A thumbnail takes only its band: a heap commits all it hands out, whether
  // the rows are written or not.
  const uint64_t rows = shrinking ? BandRows(height, target.height) : height;
  auto* pixels = static_cast<uint8_t*>(malloc(stride * rows));
  if (pixels == nullptr) {
    free(sample);
    return ThumbOutOfMemory;
  }
  if (!shrinking) {
    const ThumbStatus converted =
        DecodeFrameToRgba(sample, sampleSize, width, height, pixels, stride);
    free(sample);
    if (converted != ThumbOk) {
      free(pixels);
      return converted;
    }
    *image = RgbaImage{width, height, pixels};
    return ThumbOk;
  }

  // Shrunk: the frame's textures are extracted as DecodeFrameToRgba does (same
  // checks and statuses), then decoded a band at a time.
  FrameBlocks blocks;
  const ThumbStatus opened =
      OpenFrameBlocks(sample, sampleSize, width, height, pixels, stride, &blocks);
  free(sample);
  if (opened != ThumbOk) {
    free(pixels);
    return opened;
  }
  Downscaler downscaler;
  const ThumbStatus begun =
      BeginDownscale(width, height, target.width, target.height, &downscaler);
  if (begun == ThumbOk) DecodeWhileShrinking(blocks, pixels, stride, target.height, &downscaler);
  ReleaseFrameBlocks(&blocks);
  free(pixels);
  if (begun != ThumbOk) return begun;
  *image = RgbaImage{target.width, target.height, downscaler.target};
  return ThumbOk;
}

void ReleaseImage(RgbaImage* image) {
  if (image == nullptr) return;
  free(image->pixels);
  *image = RgbaImage{0, 0, nullptr};
}

}  // namespace orvelle
