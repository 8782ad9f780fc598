#include <cstdlib>

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

}  // namespace

ThumbStatus DecodeThumbnail(const ByteSource* source, uint32_t requestedSize, RgbaImage* image) {
  if (source == nullptr || source->read == nullptr || image == nullptr) {
    return ThumbInvalidArgument;
  }
  *image = RgbaImage{0, 0, nullptr};

  TrackInfo track{};
  const ThumbStatus parsed = ParseMovie(source, &track);
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
  auto* full = static_cast<uint8_t*>(malloc(stride * height));
  if (full == nullptr) {
    free(sample);
    return ThumbOutOfMemory;
  }
  const ThumbStatus converted = DecodeFrameToRgba(sample, sampleSize, width, height, full, stride);
  free(sample);
  if (converted != ThumbOk) {
    free(full);
    return converted;
  }

  if (requestedSize == 0 || (width <= requestedSize && height <= requestedSize)) {
    *image = RgbaImage{width, height, full};
    return ThumbOk;
  }
  const ThumbnailSize target = FitThumbnailSize(width, height, requestedSize);
  uint8_t* scaled = nullptr;
  const ThumbStatus shrunk = DownscaleRgba(full, width, height, target.width, target.height, &scaled);
  free(full);
  if (shrunk != ThumbOk) return shrunk;
  *image = RgbaImage{target.width, target.height, scaled};
  return ThumbOk;
}

void ReleaseImage(RgbaImage* image) {
  if (image == nullptr) return;
  free(image->pixels);
  *image = RgbaImage{0, 0, nullptr};
}

}  // namespace orvelle
