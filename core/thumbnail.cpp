// The pipeline's public operations: the container's track, its middle
// sample, the frame decoded (and shrunk), and what the probe reports.
#include "core/thumbnail.h"

#include <cstdlib>
#include <utility>

#include "base/heap_ptr.h"
#include "base/input_limits.h"
#include "container/parse_container.h"
#include "core/downscale.h"
#include "core/shrinking_decode.h"
#include "core/thumbnail_size.h"
#include "texture/frame_to_rgba.h"

namespace orvelle {
namespace {

// Locates and reads the middle sample; the track, taken over, goes with its
// tables on every path. On ThumbOk `sample` holds the sample's `sampleSize` bytes.
ThumbStatus ReadMiddleSample(const ByteSource* source, TrackInfo track, HeapPtr<uint8_t>* sample,
                             uint32_t* sampleSize) {
  uint64_t offset = 0;
  uint32_t size = 0;
  const ThumbStatus located = LocateSample(&track, track.sampleCount / 2, &offset, &size);
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

}  // namespace

ThumbStatus DecodeThumbnail(const ByteSource* source, uint32_t requestedSize, RgbaImage* image) {
  if (source == nullptr || source->read == nullptr || image == nullptr) {
    return ThumbInvalidArgument;
  }
  *image = RgbaImage{0, 0, nullptr};

  TrackInfo track{};
  const ThumbStatus parsed = ParseContainer(source, &track);
  if (parsed != ThumbOk) return parsed;
  if (track.width == 0 || track.height == 0 || track.sampleCount == 0) return ThumbBadData;
  const uint32_t width = track.width;
  const uint32_t height = track.height;

  HeapPtr<uint8_t> sample;
  uint32_t sampleSize = 0;
  const ThumbStatus read = ReadMiddleSample(source, std::move(track), &sample, &sampleSize);
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
  *image = RgbaImage{target.width, target.height, downscaler.target.release()};
  return ThumbOk;
}

void ReleaseImage(RgbaImage* image) {
  if (image == nullptr) return;
  free(image->pixels);
  *image = RgbaImage{0, 0, nullptr};
}

ThumbStatus ProbeMovie(const ByteSource* source, ProbeInfo* info) {
  if (source == nullptr || source->read == nullptr) return ThumbInvalidArgument;
  TrackInfo track;
  const ThumbStatus status = ParseContainer(source, &track);
  if (status != ThumbOk) return status;
  if (info != nullptr) {
    *info = {track.codecKind, track.fourcc, track.width, track.height, track.sampleCount,
             track.duration};
  }
  return ThumbOk;
}

const char* ThumbStatusName(int32_t status) {
  switch (status) {
    case ThumbOk: return "ThumbOk";
    case ThumbReadFailed: return "ThumbReadFailed";
    case ThumbBadFile: return "ThumbBadFile";
    case ThumbNoTrack: return "ThumbNoTrack";
    case ThumbBadData: return "ThumbBadData";
    case ThumbUnsupported: return "ThumbUnsupported";
    case ThumbOutOfMemory: return "ThumbOutOfMemory";
    case ThumbInvalidArgument: return "ThumbInvalidArgument";
  }
  return "ThumbUnknown";
}

}  // namespace orvelle
